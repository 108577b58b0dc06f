#pragma once

#include "app/files-table/MivTextCellDelegate.h"

#include <QRectF>

// The name column's cell: the item's 16-pixel icon left of its name. The name
// is the item's name or display name, as the view binds the column.
class MivNameCellDelegate : public MivTextCellDelegate
{
    Q_OBJECT

public:
    static constexpr int kIconSize = 16;
    static constexpr int kIconGap = 3;

    explicit MivNameCellDelegate(MivFilesTableView* view);

    // The 16 × 16 square of the icon inside a rectangle: centred with
    // truncated offsets, kept at the top when the rectangle is lower than 16.
    static QRectF iconRect(const QRectF& rect);
    // Where the editor of a rename sits: on the name's text.
    QRect editorRect(const QRect& cell) const;

protected:
    QString cellText(const QModelIndex& index, const MivFileDataPtr& item) const override;
    Qt::TextElideMode elideMode() const override { return Qt::ElideMiddle; }
    QRect paintDecoration(QPainter* painter, const QRect& cell, const MivFileDataPtr& item) const override;
};
