#pragma once

#include "FileData/MivFileDataTypes.h"

#include <QStyledItemDelegate>

class MivFilesTableView;

// The cell of a text column, and the base of the other cells: the row
// margin of the settings (read at every paint, so a change shows at the next
// drawing), bold names of folders when the settings ask for it, and the
// highlight, which the table draws only while it shows one.
class MivTextCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit MivTextCellDelegate(MivFilesTableView* view);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The font of a text cell: bold exactly for folders while boldFolders is on.
    static QFont cellFont(const QFont& base, const MivFileData* item);
    // The text area of a cell: the cell less the row margin above and below.
    static QRect textRect(const QRect& cell);

protected:
    static MivFileDataPtr itemAt(const QModelIndex& index);
    virtual QString cellText(const QModelIndex& index, const MivFileDataPtr& item) const;
    virtual Qt::Alignment cellAlignment() const { return Qt::AlignLeft | Qt::AlignVCenter; }
    virtual Qt::TextElideMode elideMode() const { return Qt::ElideRight; }
    // Draws what precedes the text (an icon) and answers the rectangle left for the text.
    virtual QRect paintDecoration(QPainter* painter, const QRect& cell, const MivFileDataPtr& item) const;

    MivFilesTableView* view() const { return m_view; }

private:
    MivFilesTableView* m_view;  // the owner
};
