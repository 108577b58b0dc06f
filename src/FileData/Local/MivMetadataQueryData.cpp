#include "FileData/Local/MivMetadataQueryData.h"

#include "FileData/MivItemHooks.h"
#include "platform/Path.h"

#include <QCoreApplication>

MivMetadataQueryData::MivMetadataQueryData(MivMetadataQueryPtr query, const QString& tagName)
    : _query(std::move(query))
    , _tagName(tagName)
{
    if (!tagName.isNull())
        setName(QCoreApplication::translate("MivMetadataQueryData", "Spotlight for '%1'").arg(tagName));
}

MivMetadataQueryPtr MivMetadataQueryData::query() const
{
    std::lock_guard lock(_queryMutex);
    return _query;
}

void MivMetadataQueryData::setQuery(MivMetadataQueryPtr query)
{
    std::lock_guard lock(_queryMutex);
    _query = std::move(query);
}

void MivMetadataQueryData::refresh()
{
    executeQuery();
    MivSearchResultData::refresh();
}

void MivMetadataQueryData::executeQuery()
{
    QList<MivFileDataPtr> items;
    const MivMetadataQueryPtr current = query();
    const int count = current ? current->resultCount() : 0;
    for (int i = 0; i < count; ++i) {
        const QString path = current->resultPathAtIndex(i);
        if (path.isEmpty())
            continue;
        if (auto item = MivItemHooks::makeInstanceForURL(plat::Path::toFileQUrl(path), true))
            items.append(std::move(item));
    }
    loadElements(items);
}
