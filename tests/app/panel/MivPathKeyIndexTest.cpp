#include "app/panel/MivPathKeyIndex.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Row = MivFilesSorter::Row;

Row rowFor(const QString& pathKey, bool withHash)
{
    Row row;
    row.pathKey = pathKey;
    if (withHash)
        row.pathHash = MivFilesSorter::pathKeyHash(pathKey);
    return row;
}

TEST(MivPathKeyIndexTest, FindsTheFirstRowOfEveryKey)
{
    // Rows from the sorter carry their hash; rows made elsewhere do not.
    for (const bool withHash : {true, false}) {
        SCOPED_TRACE(withHash);
        std::vector<Row> rows;
        for (int i = 0; i < 20000; ++i)
            rows.push_back(rowFor(QStringLiteral("/tmp/folder/file-%1").arg(i), withHash));
        rows.push_back(rowFor(QString(), withHash));                          // a virtual item
        rows.push_back(rowFor(QStringLiteral("/tmp/folder/file-7"), withHash));  // listed twice
        const MivPathKeyIndex index(rows);
        for (int i = 0; i < 20000; ++i)
            ASSERT_EQ(index.find(rows, rows[std::size_t(i)].pathKey), i);
        EXPECT_EQ(index.find(rows, QStringLiteral("/tmp/folder/file-7")), 7);
        EXPECT_EQ(index.find(rows, QString()), MivPathKeyIndex::kNotFound);
        EXPECT_EQ(index.find(rows, QStringLiteral("/tmp/folder/file-20000")), MivPathKeyIndex::kNotFound);
        EXPECT_EQ(index.find(rows, QStringLiteral("/tmp/folder")), MivPathKeyIndex::kNotFound);
    }
}

TEST(MivPathKeyIndexTest, EmptyIndexesFindNothing)
{
    const std::vector<Row> none;
    EXPECT_EQ(MivPathKeyIndex().find(none, QStringLiteral("/a")), MivPathKeyIndex::kNotFound);
    EXPECT_EQ(MivPathKeyIndex(none).find(none, QStringLiteral("/a")), MivPathKeyIndex::kNotFound);
    const std::vector<Row> keyless{Row(), Row()};
    EXPECT_EQ(MivPathKeyIndex(keyless).find(keyless, QStringLiteral("/a")), MivPathKeyIndex::kNotFound);
}

} // namespace
