#pragma once

#include "app/files-table/MivTextCellDelegate.h"

class MivDateFormatter;

// A date column's cell, through the one date formatter of the process.
class MivDateCellDelegate : public MivTextCellDelegate
{
    Q_OBJECT

public:
    using MivTextCellDelegate::MivTextCellDelegate;
    // Made on first use and shared by every date cell.
    static MivDateFormatter& sharedFormatter();

protected:
    QString cellText(const QModelIndex& index, const MivFileDataPtr& item) const override;
};
