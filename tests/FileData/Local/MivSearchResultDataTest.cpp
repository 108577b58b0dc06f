#include "../FactorySupport.h"
#include "FileData/IMivFileWatcherContextDelegate.h"
#include "FileData/Local/MivMetadataQueryData.h"
#include "support/MemoryFileData.h"
#include "FileData/MivListFilesParams.h"
#include "LocalTestFolder.h"

#include <condition_variable>
#include <mutex>

namespace {

using namespace std::chrono_literals;
using localtest::LocalFolderTest;

class RecordingPanel : public IMivFileWatcherContextDelegate
{
public:
    bool isActiveDelegate() const override { return true; }
    void contextContentChanged(const QList<MivFileDataPtr>&) override
    {
        std::lock_guard lock(m_mutex);
        ++m_refreshes;
        m_cv.notify_all();
    }
    void refreshContextWithSelectionOf(const MivFileDataPtr&) override { contextContentChanged({}); }

    // Waits until the folder's list satisfies the test; a refresh is told
    // after the list changed.
    template<typename Test>
    bool waitUntil(Test test)
    {
        std::unique_lock lock(m_mutex);
        return m_cv.wait_for(lock, 60s, [&] { return test(); });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    int m_refreshes = 0;
};

class SearchResultTest : public LocalFolderTest
{
protected:
    void SetUp() override
    {
        LocalFolderTest::SetUp();
        m_folder = MivFileData::makeItem<MivSearchResultData>();
        m_folder->addWatchedDelegate(m_panel);
    }
    void TearDown() override
    {
        m_folder->close();
        LocalFolderTest::TearDown();
    }
    QStringList names() const
    {
        QList<MivFileDataPtr> listed;
        m_folder->listElementsToArray(listed, MivListFilesParams(plat::SortDescriptor{QStringLiteral("name"), false}, false), {}, nullptr);
        QStringList result;
        for (const auto& element : listed)
            result.append(element->name());
        return result;
    }

    factorytest::FactoryEnvironment m_factory;
    std::shared_ptr<RecordingPanel> m_panel = std::make_shared<RecordingPanel>();
    std::shared_ptr<MivSearchResultData> m_folder;
};

TEST_F(SearchResultTest, AFileRemovedBehindTheFolderDisappearsFromIt)
{
    makeFolder(path(QStringLiteral("one")));
    makeFolder(path(QStringLiteral("two")));
    write(path(QStringLiteral("one/b")), "b");
    write(path(QStringLiteral("one/a")), "a");
    write(path(QStringLiteral("two/c")), "c");
    m_folder->loadElements(QList<MivFileDataPtr>{item(path(QStringLiteral("one/b"))), item(path(QStringLiteral("two/c"))), item(path(QStringLiteral("one/a")))});
    EXPECT_EQ(names(), (QStringList{"b", "c", "a"})) << "the given order, whatever the listing asks";
    EXPECT_TRUE(m_folder->watchesParentPath(path(QStringLiteral("one"))));
    EXPECT_TRUE(m_folder->watchesParentPath(path(QStringLiteral("two"))));

    remove(path(QStringLiteral("one/b")));
    ASSERT_TRUE(m_panel->waitUntil([&] { return names() == QStringList({"c", "a"}); }));
    EXPECT_TRUE(m_folder->watchesParentPath(path(QStringLiteral("one")))) << "a stays in that folder";

    remove(path(QStringLiteral("one/a")));
    ASSERT_TRUE(m_panel->waitUntil([&] { return names() == QStringList({"c"}); }));
    EXPECT_FALSE(m_folder->watchesParentPath(path(QStringLiteral("one")))) << "its last result left";
}

TEST_F(SearchResultTest, RefreshDropsWhatIsGoneAndNullEmptiesTheFolder)
{
    write(path(QStringLiteral("kept")), "k");
    write(path(QStringLiteral("gone")), "g");
    const auto outside = mivtest::MemoryFileData::create(QStringLiteral("memory"));
    m_folder->loadElements(QList<MivFileDataPtr>{item(path(QStringLiteral("gone"))), outside, item(path(QStringLiteral("kept")))});
    // The memory item caused no watch: only the local items' folder is.
    remove(path(QStringLiteral("gone")));
    m_folder->refresh();
    EXPECT_TRUE(m_folder->safeElements().contains(outside));
    EXPECT_FALSE(names().contains(QStringLiteral("gone")));
    EXPECT_TRUE(names().contains(QStringLiteral("kept")));

    m_folder->loadElements(std::nullopt);
    EXPECT_TRUE(names().isEmpty());
    EXPECT_TRUE(m_folder->folder());
    EXPECT_EQ(m_folder->name(), QStringLiteral("Search result"));
}

TEST_F(SearchResultTest, AQueryFolderIsNamedByItsTagAndFilledFromItsQuery)
{
    write(path(QStringLiteral("red1")), "r");
    write(path(QStringLiteral("red2")), "r");
    const auto query = std::make_shared<MivMetadataQuery>(QStringList{path(QStringLiteral("red2")), path(QStringLiteral("missing")), path(QStringLiteral("red1"))});
    const auto tagged = MivFileData::makeItem<MivMetadataQueryData>(query, QStringLiteral("Red"));
    EXPECT_EQ(tagged->name(), QStringLiteral("Spotlight for 'Red'"));
    tagged->refresh();
    QList<MivFileDataPtr> listed;
    tagged->listElementsToArray(listed, MivListFilesParams(plat::SortDescriptor{QStringLiteral("name"), false}, false), {}, nullptr);
    ASSERT_EQ(listed.size(), 2);
    EXPECT_EQ(listed[0]->name(), QStringLiteral("red2"));
    EXPECT_EQ(listed[1]->name(), QStringLiteral("red1"));
    tagged->close();

    const auto untagged = MivFileData::makeItem<MivMetadataQueryData>(nullptr, QString());
    EXPECT_EQ(untagged->name(), QStringLiteral("Search result"));
    untagged->refresh();
    EXPECT_TRUE(untagged->safeElements().isEmpty());
    untagged->close();
}

TEST_F(SearchResultTest, AfterCloseNothingIsWatched)
{
    write(path(QStringLiteral("x")), "x");
    m_folder->close();
    m_folder->loadElements(QList<MivFileDataPtr>{item(path(QStringLiteral("x")))});
    EXPECT_EQ(names(), QStringList{"x"});
    EXPECT_FALSE(m_folder->watchesParentPath(m_dir.path()));
}

} // namespace
