#pragma once

#include <QStringList>

#include <memory>

// A finished metadata query of the file search: its results in order, each
// as the path it found. The search builds and runs it; the folders that
// show its results only read it.
class MivMetadataQuery
{
public:
    explicit MivMetadataQuery(QStringList resultPaths = {})
        : m_resultPaths(std::move(resultPaths))
    {
    }

    int resultCount() const { return int(m_resultPaths.size()); }
    QString resultPathAtIndex(int index) const { return m_resultPaths.value(index); }

private:
    const QStringList m_resultPaths;
};

using MivMetadataQueryPtr = std::shared_ptr<const MivMetadataQuery>;
