#include "app/operations/MivFileManager.h"
#include "app/panel/MivSelector.h"
#include "app/panel/MivTotalInfoModel.h"

#include "FileData/Formatters/MivFileSizeFormatter.h"
#include "FileData/Local/MivOsxFileData.h"
#include "FileData/MivUpFolderData.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

MivFileDataPtr localItem(const QString& path)
{
    return MivOsxFileData::createWithPath<MivOsxFileData>(path);
}

class MivSelectorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QDir().mkpath(m_dir.filePath("folder")));
        for (const char* name : {"a", "b"}) {
            QFile file(m_dir.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        m_a = localItem(m_dir.filePath("a"));
        m_b = localItem(m_dir.filePath("b"));
        m_folder = localItem(m_dir.filePath("folder"));
    }

    QTemporaryDir m_dir;
    MivFileDataPtr m_a, m_b, m_folder;
    MivSelector m_selector;
};

TEST_F(MivSelectorTest, MarksKeepOrderCountFoldersAndRefuseTheParentRow)
{
    EXPECT_FALSE(m_selector.addToSelection(nullptr));
    EXPECT_FALSE(m_selector.addToSelection(MivFileData::makeItem<MivUpFolderData>(m_folder)));
    EXPECT_TRUE(m_selector.addToSelection(m_b));
    EXPECT_TRUE(m_selector.addToSelection(m_folder));
    EXPECT_TRUE(m_selector.addToSelection(m_a));
    EXPECT_FALSE(m_selector.addToSelection(localItem(m_dir.filePath("a")))) << "marked by path key";
    EXPECT_EQ(m_selector.resolveSelection(), (QList<MivFileDataPtr>{m_b, m_folder, m_a}));
    EXPECT_EQ(m_selector.selectedFolderCount(), 1u);
    EXPECT_TRUE(m_selector.isSelected(localItem(m_dir.filePath("b"))));

    // Another object with the marked key unmarks the stored one.
    EXPECT_TRUE(m_selector.removeFromSelection(localItem(m_dir.filePath("folder"))));
    EXPECT_FALSE(m_selector.removeFromSelection(m_folder));
    EXPECT_FALSE(m_selector.hasFolderSelected());
    EXPECT_EQ(m_selector.selection(), (QStringList{m_b->pathKey(), m_a->pathKey()}));

    m_selector.clearSelection();
    EXPECT_FALSE(m_selector.isSelectionExist());
    EXPECT_TRUE(m_selector.resolveSelectionPk().isEmpty());
}

TEST_F(MivSelectorTest, SnapshotHandsBackOnlyItemsThatStillExist)
{
    m_selector.addToSelection(m_a);
    m_selector.addToSelection(m_b);
    m_selector.storeSnapshot();
    m_selector.clearSelection();
    ASSERT_TRUE(QFile::remove(m_dir.filePath("a")));
    m_a->refresh();

    QList<MivFileDataPtr> restored;
    m_selector.restoreSnapshot([&](const MivFileDataPtr& item) { restored << item; });
    EXPECT_EQ(restored, QList<MivFileDataPtr>{m_b});
    EXPECT_FALSE(m_selector.hasSnapshot());
    restored.clear();
    m_selector.restoreSnapshot([&](const MivFileDataPtr& item) { restored << item; });
    EXPECT_TRUE(restored.isEmpty()) << "a snapshot is used once";
}

TEST(MivTotalInfoModelTest, CountersFollowListingMarksAndLateFolderSizes)
{
    MivTotalInfoModel total;
    total.updateTotalSize(100, false);
    total.updateTotalSize(MivFileData::kSizeFolderNotCounted, true);
    total.updateTotalSize(MivFileData::kSizeNewItem, false);
    const auto listed = total.counters();
    EXPECT_EQ(listed.files, 2);
    EXPECT_EQ(listed.folders, 1);
    EXPECT_EQ(listed.totalSize(), 100) << "markers count as 0";

    total.updateSelectionSize(100, false, true);
    total.updateSelectionSize(100, false, false);
    EXPECT_EQ(total.counters(), listed) << "marking and unmarking cancel out";

    // A marked folder whose size arrives later: size only, count unchanged.
    total.updateSelectionSize(MivFileData::kSizeFolderNotCounted, true, true);
    total.updatedSize(40, true, true);
    const auto after = total.counters();
    EXPECT_EQ(after.selectedFolders, 1);
    EXPECT_EQ(after.folders, 1);
    EXPECT_EQ(after.totalSelectedSize(), 40);
    EXPECT_EQ(after.totalSize(), 140);

    total.clearFolderSizes();
    EXPECT_EQ(total.totalSize(), 100);
    total.clear();
    EXPECT_EQ(total.counters(), MivTotalInfoModel::Counters{});
}

TEST(MivTotalInfoModelTest, FooterText)
{
    struct Case
    {
        MivTotalInfoModel::Counters counters;
        bool withFolders;
        QString tail;
    };
    MivTotalInfoModel::Counters some;
    some.files = 15;
    some.selectedFiles = 2;
    some.folders = 3;
    some.selectedFolders = 1;
    some.filesSize = 3000;
    some.selectedFilesSize = 1000;
    const Case cases[] = {
        {{}, false, " in 0 / 0 file(s)"},
        {{}, true, " in 0 / 0 file(s) 0 / 0 folder(s)"},
        {some, true, " in 2 / 15 file(s) 1 / 3 folder(s)"},
    };
    for (const auto& c : cases) {
        const QString expected = MivFileSizeFormatter::convertSize(c.counters.totalSelectedSize(), 4) + " / " +
                                 MivFileSizeFormatter::convertSize(c.counters.totalSize(), 4) + c.tail;
        EXPECT_EQ(MivTotalInfoModel::convertToString(c.counters, 4, c.withFolders), expected);
    }
}

TEST(MivFileManagerTest, CheckContextForOperation)
{
    QTemporaryDir dir;
    auto folder = localItem(dir.path());
    auto up = MivFileData::makeItem<MivUpFolderData>(folder);
    EXPECT_FALSE(MivFileManager::checkContextForOperation({}));
    EXPECT_FALSE(MivFileManager::checkContextForOperation({up}));
    EXPECT_TRUE(MivFileManager::checkContextForOperation({up, folder}));
}

} // namespace
