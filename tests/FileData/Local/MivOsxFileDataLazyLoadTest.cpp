#include "LocalTestFolder.h"

#include "FileData/Local/OsxLazyLoadData.h"
#include "FileData/MivListFilesParams.h"

#include <QDateTime>

#include <gtest/gtest.h>

using localtest::LocalFolderTest;

namespace {

class MivOsxFileDataLazyLoadTest : public LocalFolderTest
{
protected:
    std::shared_ptr<MivOsxFileData> file()
    {
        const QString at = path(QStringLiteral("file.txt"));
        write(at, "hello");
        return item(at);
    }
    static std::shared_ptr<OsxLazyLoadData> prepare(MivOsxFileData& item, const QString& sortKey,
                                                    const QSet<QString>& hidden)
    {
        return std::dynamic_pointer_cast<OsxLazyLoadData>(item.prepareForLazyLoad(sortKey, hidden));
    }
    static plat::SortDescriptor by(const QString& key) { return plat::SortDescriptor{key}; }
};

TEST_F(MivOsxFileDataLazyLoadTest, TheSortAttributeIsLoadedOnceWhereItIsMarked)
{
    struct Case
    {
        const char* key;
        bool first;
        bool second;
    };
    // Marked attributes answer NO once read; unmarked ones are read again.
    for (const Case& c : {Case{"addedDate", true, false}, Case{"creationDate", true, false},
                          Case{"lastAccessDate", true, false}, Case{"stateChangeDate", true, true},
                          Case{"owner", true, true}, Case{"group", true, true}, Case{"perms", true, true},
                          Case{"type", true, false}, Case{"name", false, false}, Case{"size", false, false},
                          Case{"modificationDate", false, false}}) {
        SCOPED_TRACE(c.key);
        const auto made = file();
        EXPECT_EQ(made->refreshForSortDescriptor(by(QString::fromLatin1(c.key))), c.first);
        EXPECT_EQ(made->refreshForSortDescriptor(by(QString::fromLatin1(c.key))), c.second);
    }
    const auto made = file();
    EXPECT_TRUE(made->refreshForSortDescriptor(by(QStringLiteral("lastAccessDate"))));
    EXPECT_TRUE(made->lastAccessDate().isValid());
    EXPECT_EQ(made->lastAccessDate(), made->resolveLastAccessDate());
    EXPECT_TRUE(made->refreshForSortDescriptor(by(QStringLiteral("type"))));
    EXPECT_EQ(made->utiType(), QStringLiteral("text/plain"));
    EXPECT_TRUE(made->refreshForSortDescriptor(by(QStringLiteral("stateChangeDate"))));
    EXPECT_TRUE(made->stateChangeDate().isValid());

    // A state change date the item has already is not read again.
    const QDateTime old = QDateTime::fromSecsSinceEpoch(1000, Qt::UTC);
    made->setStateChangeDate(old);
    EXPECT_TRUE(made->refreshForSortDescriptor(by(QStringLiteral("stateChangeDate"))));
    EXPECT_EQ(made->stateChangeDate(), old);

    const auto everything = file();
    EXPECT_TRUE(everything->refreshForSortDescriptor(std::nullopt));
    for (const char* mark : {"addedDate", "creationDate", "lastAccessDate", "utiType"})
        EXPECT_TRUE(everything->containsAttr(QString::fromLatin1(mark))) << mark;
    EXPECT_TRUE(everything->stateChangeDate().isValid());
    EXPECT_FALSE(everything->addedDate().isValid()) << "no added date on Linux";

    const auto noURL = std::make_shared<MivOsxFileData>(QUrl());
    EXPECT_FALSE(noURL->refreshForSortDescriptor(std::nullopt));
}

TEST_F(MivOsxFileDataLazyLoadTest, APreparationReadsTheShownColumnsButNotTheSortedOne)
{
    const auto made = file();
    const auto all = prepare(*made, QString(), {});
    ASSERT_TRUE(all);
    EXPECT_TRUE(all->crdta().has_value());
    EXPECT_TRUE(all->adta().has_value());
    EXPECT_TRUE(all->dta().has_value());
    EXPECT_FALSE(all->dtaArray().isEmpty());
    EXPECT_FALSE(all->statArray().isEmpty());
    EXPECT_EQ(all->typeArray().value(QStringLiteral("type")).toString(), QStringLiteral("text/plain"));

    // Sorted by owner with the group shown: one status read for the columns.
    const auto ownerSorted = prepare(*made, QStringLiteral("owner"), {QStringLiteral("perms")});
    EXPECT_FALSE(ownerSorted->statArray().isEmpty());
    // Sorted by owner with group and permissions hidden: no status read.
    const auto noStatus = prepare(*made, QStringLiteral("owner"), {QStringLiteral("group"), QStringLiteral("perms")});
    EXPECT_TRUE(noStatus->statArray().isEmpty());

    const auto sortedByCreation = prepare(*made, QStringLiteral("creationDate"),
                                          {QStringLiteral("lastAccessDate"), QStringLiteral("stateChangeDate")});
    EXPECT_FALSE(sortedByCreation->crdta().has_value());
    EXPECT_FALSE(sortedByCreation->adta().has_value());
    EXPECT_TRUE(sortedByCreation->dtaArray().isEmpty());
    EXPECT_FALSE(made->containsAttr(QStringLiteral("creationDate"))) << "preparing changes nothing on the item";
    EXPECT_FALSE(made->creationDate().isValid());
}

TEST_F(MivOsxFileDataLazyLoadTest, AppliedValuesAreMarkedAndNotAskedForAgain)
{
    const auto made = file();
    const auto data = prepare(*made, QString(), {});
    made->updateLazyLoadedData(data);
    EXPECT_TRUE(made->loaded());
    EXPECT_EQ(made->creationDate(), made->resolveCreationDate());
    EXPECT_EQ(made->lastAccessDate(), made->resolveLastAccessDate());
    EXPECT_EQ(made->stateChangeDate(), made->processDates().value(QStringLiteral("stateChgTime")).toDateTime());
    EXPECT_EQ(made->owner(), data->statArray().value(QStringLiteral("user")).toString());
    EXPECT_EQ(made->posix(), data->statArray().value(QStringLiteral("posix")).toLongLong());
    for (const char* mark : {"addedDate", "creationDate", "lastAccessDate", "utiType"})
        EXPECT_TRUE(made->containsAttr(QString::fromLatin1(mark))) << mark;

    // An empty date that was read is marked like any other: the next
    // preparation does not ask for it, until the mark goes.
    const auto again = prepare(*made, QString(), {});
    EXPECT_FALSE(again->dta().has_value());
    EXPECT_FALSE(again->crdta().has_value());
    EXPECT_TRUE(again->typeArray().isEmpty());
    made->removeAttr(QStringLiteral("creationDate"));
    EXPECT_TRUE(prepare(*made, QString(), {})->crdta().has_value());

    // Fields without a value leave the item as it is.
    const QDateTime kept = made->lastAccessDate();
    made->lazyLoadData(std::make_shared<OsxLazyLoadData>());
    made->lazyLoadData(nullptr);
    EXPECT_EQ(made->lastAccessDate(), kept);

    // A status without a user or group stores empty texts.
    auto partial = std::make_shared<OsxLazyLoadData>();
    partial->setStatArray({{QStringLiteral("posix"), qint64(0100600)}});
    made->lazyLoadData(partial);
    EXPECT_EQ(made->posix(), qint64(0100600));
}

TEST_F(MivOsxFileDataLazyLoadTest, TheInspectorAlwaysGetsFreshDates)
{
    const auto made = file();
    const QDateTime stale = QDateTime::fromSecsSinceEpoch(1000, Qt::UTC);
    made->updateLastAccessDate(stale);
    made->updateCreationDate(stale);
    made->requestDataForFileInfo();
    EXPECT_NE(made->lastAccessDate(), stale);
    EXPECT_TRUE(made->lastAccessDate().isValid());
    EXPECT_NE(made->creationDate(), stale);
    EXPECT_TRUE(made->containsAttr(QStringLiteral("addedDate")));

    const auto noURL = std::make_shared<MivOsxFileData>(QUrl());
    noURL->updateCreationDate(stale);
    EXPECT_FALSE(noURL->creationDate().isValid()) << "an item without a URL stores nothing";
    EXPECT_FALSE(noURL->containsAttr(QStringLiteral("creationDate")));
}

TEST_F(MivOsxFileDataLazyLoadTest, AListingLoadsTheSortAttributeOfEveryChild)
{
    const QString folder = path(QStringLiteral("sorted"));
    makeFolder(folder);
    for (int i = 0; i < 60; ++i)
        write(folder + QStringLiteral("/f%1.txt").arg(i), "x");
    MivListFilesParams params(by(QStringLiteral("type")), true);
    QList<MivFileDataPtr> items;
    ASSERT_TRUE(item(folder)->listElementsToArray(items, params, {}, nullptr));
    ASSERT_EQ(items.size(), 60);
    for (const MivFileDataPtr& child : items) {
        const auto* local = dynamic_cast<const MivOsxFileData*>(child.get());
        ASSERT_TRUE(local);
        EXPECT_TRUE(local->containsAttr(QStringLiteral("utiType")));
        EXPECT_FALSE(local->containsAttr(QStringLiteral("creationDate"))) << "only the sorted attribute";
    }
}

} // namespace
