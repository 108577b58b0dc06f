#pragma once

#include "app/files-table/MivTextCellDelegate.h"

class MivPermsFormatter;

// The permissions column's cell, through the one permission formatter of
// the process.
class MivPermsCellDelegate : public MivTextCellDelegate
{
    Q_OBJECT

public:
    using MivTextCellDelegate::MivTextCellDelegate;
    static MivPermsFormatter& sharedFormatter();

protected:
    QString cellText(const QModelIndex& index, const MivFileDataPtr& item) const override;
};
