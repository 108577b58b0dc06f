#include "ItemTestSupport.h"

#include "FileData/MivFileRootData.h"
#include "FileData/MivIconDescriptor.h"
#include "FileData/MivListFilesParams.h"
#include "FileData/MivNilFileData.h"
#include "FileData/MivUpFolderData.h"
#include "FileData/RootFileData/MivBonjourData.h"
#include "FileData/RootFileData/MivNetworkRootData.h"

#include <gtest/gtest.h>

using namespace itemtest;

namespace {

class Folder : public MivSimpleFileData
{
public:
    bool folder() const override { return true; }
    QString displayInfo() const override { return QStringLiteral("Folder ") + name(); }
};

TEST(MivVirtualItemsTest, UpRowAnswersTheWrappedFolderAndKeepsItsSize)
{
    mivtest::ScopedPropertiesProvider scoped;
    scoped->foldersFirstValue = true;
    auto wrapped = std::make_shared<Folder>();
    wrapped->setName(QStringLiteral("/home/user"));
    auto up = MivFileData::makeItem<MivUpFolderData>(wrapped);

    EXPECT_EQ(up->name(), QStringLiteral(".."));
    EXPECT_EQ(up->pathKey(), QStringLiteral("/home/user"));
    EXPECT_EQ(up->displayInfo(), QStringLiteral("Folder /home/user"));
    EXPECT_EQ(up->wrapped(), wrapped);
    EXPECT_TRUE(up->isUpFolderData());
    EXPECT_TRUE(up->refreshed());
    EXPECT_EQ(up->icon(), MivUpFolderData::upFolderIcon());
    EXPECT_TRUE(up->icon()->isTemplate());
    EXPECT_EQ(up->sortKey(), -100) << "before every folder";
    EXPECT_TRUE(up->folder());
    EXPECT_FALSE(up->writable());

    EXPECT_EQ(up->size(), -1);
    up->refresh();
    EXPECT_EQ(up->size(), -1);
    EXPECT_TRUE(up->updateFolderSizeState());
    EXPECT_EQ(up->size(), -1);
    up->updateSize(nullptr);
    up->updateSizeInBackground(nullptr);
    EXPECT_EQ(up->size(), -1);
    EXPECT_FALSE(up->calulatingSize());

    auto bare = MivFileData::makeItem<MivUpFolderData>(nullptr);
    EXPECT_EQ(bare->pathKey(), QStringLiteral("..")) << "without a folder: the inherited key, its name";
}

TEST(MivVirtualItemsTest, VirtualItemListsNothingAndIsKeyedByItsName)
{
    MivSimpleFileData item;
    item.setName(QStringLiteral("Places"));
    EXPECT_EQ(item.pathKey(), QStringLiteral("Places"));
    EXPECT_EQ(item.displayInfo(), QStringLiteral("Places"));
    item.setName(QStringLiteral("Other"));
    EXPECT_EQ(item.pathKey(), QStringLiteral("Other"));

    plat::Error error;
    QList<MivFileDataPtr> array;
    EXPECT_TRUE(item.listElementsToArray(array, MivListFilesParams(std::nullopt, true), {}, &error));
    EXPECT_TRUE(array.isEmpty());
    EXPECT_TRUE(item.listElements(true, {}, &error).isEmpty());
    EXPECT_TRUE(error.isNull());

    const qint64 before = item.size();
    EXPECT_TRUE(item.updateFolderSizeState());
    EXPECT_EQ(item.size(), before);
    EXPECT_FALSE(item.makeFileAllowed());
    EXPECT_FALSE(item.makeFolderAllowed());
    EXPECT_FALSE(item.showContentAllowed());
}

TEST(MivVirtualItemsTest, RootsAreRefreshedWhenMadeAndKeepTheirExtension)
{
    auto root = MivFileData::makeItem<MivFileRootData>();
    EXPECT_TRUE(root->refreshed());
    root->setName(QStringLiteral("Archive.zip"));
    root->refresh();
    EXPECT_TRUE(root->extenssion().isEmpty()) << "a root resolves no extension";
    root->setExtenssion(QStringLiteral("custom"));
    root->refresh();
    EXPECT_EQ(root->extenssion(), QStringLiteral("custom"));
    root->shutdown();

    const auto network = MivNetworkRootData::sharedInstance();
    EXPECT_EQ(network, MivNetworkRootData::sharedInstance());
    EXPECT_EQ(network->pathKey(), QStringLiteral("NETWORK"));
    EXPECT_TRUE(network->refreshed());
    EXPECT_EQ(MivBonjourData::sharedInstance()->pathKey(), QStringLiteral("BONJOUR"));
}

} // namespace
