#include "app/files-table/MivPermsCellDelegate.h"

#include "FileData/Formatters/MivPermsFormatter.h"
#include "FileData/MivFileData.h"

MivPermsFormatter& MivPermsCellDelegate::sharedFormatter()
{
    static MivPermsFormatter* const formatter = new MivPermsFormatter();
    return *formatter;
}

QString MivPermsCellDelegate::cellText(const QModelIndex&, const MivFileDataPtr& item) const
{
    if (!item)
        return {};
    // Nothing until the lazy loading brought the mode in.
    if (!item->posix())
        return {};
    const PermsDataPtr perms = item->perms();
    return perms ? MivPermsFormatter::processPerms(perms.get(), sharedFormatter().format()) : QString();
}
