#pragma once

#include "app/files-table/MivTextCellDelegate.h"

class MivFileSizeFormatter;

// The size column's cell, right-aligned, through the one size formatter of
// the process.
class MivSizeCellDelegate : public MivTextCellDelegate
{
    Q_OBJECT

public:
    using MivTextCellDelegate::MivTextCellDelegate;
    // Made on first use and shared by every size cell.
    static MivFileSizeFormatter& sharedFormatter();

protected:
    QString cellText(const QModelIndex& index, const MivFileDataPtr& item) const override;
    Qt::Alignment cellAlignment() const override { return Qt::AlignRight | Qt::AlignVCenter; }
};
