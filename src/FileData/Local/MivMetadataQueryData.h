#pragma once

#include "FileData/Local/MivMetadataQuery.h"
#include "FileData/Local/MivSearchResultData.h"

// A search-result folder filled from a finished metadata query (all files
// that carry one tag, say) and filled again from it on every refresh.
class MivMetadataQueryData : public MivSearchResultData
{
public:
    // With a tag name the folder is named "Spotlight for '<tag>'".
    MivMetadataQueryData(MivMetadataQueryPtr query, const QString& tagName);

    QString tagName() const { return _tagName; }
    void refresh() override;
    void executeQuery();

protected:
    MivMetadataQueryPtr query() const;
    void setQuery(MivMetadataQueryPtr query);

private:
    mutable std::mutex _queryMutex;
    MivMetadataQueryPtr _query;
    const QString _tagName;
};
