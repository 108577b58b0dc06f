#include "app/files-table/MivDateCellDelegate.h"

#include "FileData/Formatters/MivDateFormatter.h"

MivDateFormatter& MivDateCellDelegate::sharedFormatter()
{
    static MivDateFormatter* const formatter = new MivDateFormatter();
    return *formatter;
}

QString MivDateCellDelegate::cellText(const QModelIndex& index, const MivFileDataPtr&) const
{
    return sharedFormatter().stringForObjectValue(index.data(Qt::DisplayRole));
}
