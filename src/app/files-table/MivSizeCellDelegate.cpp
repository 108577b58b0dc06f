#include "app/files-table/MivSizeCellDelegate.h"

#include "FileData/Formatters/MivFileSizeFormatter.h"

MivFileSizeFormatter& MivSizeCellDelegate::sharedFormatter()
{
    static MivFileSizeFormatter* const formatter = new MivFileSizeFormatter();
    return *formatter;
}

QString MivSizeCellDelegate::cellText(const QModelIndex& index, const MivFileDataPtr&) const
{
    return sharedFormatter().stringForObjectValue(index.data(Qt::DisplayRole));
}
