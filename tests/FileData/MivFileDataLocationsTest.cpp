#include "FactorySupport.h"

#include "FileData/MivFileDataDescriptor.h"
#include "FileData/RootFileData/MivBonjourData.h"
#include "FileData/RootFileData/MivNetworkRootData.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace factorytest;

namespace {

// Server items come from a plug-in claiming "sftp:" keys, standing for a
// back-end whose items are folders that make their children from the URL.
class MivFileDataLocationsTest : public FactoryTest
{
protected:
    MivFileDataLocationsTest() { provider->pluginsValue = {plugin}; }

    static QString key(const MivFileDataPtr& item) { return urlText(item); }
    static QString flat(const QVariantMap& entry)
    {
        return QString::fromUtf8(QJsonDocument(QJsonObject::fromVariantMap(entry)).toJson(QJsonDocument::Compact));
    }

    std::shared_ptr<FakeKeyPlugin> plugin = std::make_shared<FakeKeyPlugin>(QStringLiteral("sftp:"));
    const QVariantMap connection{{QStringLiteral("encoding"), 4}, {QStringLiteral("passive"), true}};
};

TEST_F(MivFileDataLocationsTest, NetworkTabSavedWithoutThePassword)
{
    const MivFileDataPtr item = MivFileDataManager::makeInstanceForString(QStringLiteral("sftp://u:pw@h/base/a/b"), false);
    ASSERT_NE(item, nullptr);
    const auto top = std::dynamic_pointer_cast<MivRemoteFileData>(MivFileDataManager::savingRootForData(item));
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(key(top), QStringLiteral("sftp://u:pw@h/"));
    top->setDescriptor(std::make_shared<MivConnectionDescriptor>(connection));

    const QVariantMap entry = MivFileDataManager::remoteDataDescriptorFor(item, false, QStringLiteral("NETWORK"));
    EXPECT_EQ(entry, (QVariantMap{{QStringLiteral("path"), QStringLiteral("sftp://u@h/base/a/b")},
                                  {QStringLiteral("context"), QStringLiteral("NETWORK")},
                                  {QStringLiteral("root"), QStringLiteral("sftp://u@h/")},
                                  {QStringLiteral("remote-desc"), connection}}));
    EXPECT_FALSE(flat(entry).contains(QStringLiteral("pw")));

    const QVariantMap withPassword = MivFileDataManager::remoteDataDescriptorFor(item, true, QStringLiteral("NETWORK"));
    EXPECT_EQ(withPassword.value(QStringLiteral("path")), QStringLiteral("sftp://u:pw@h/base/a/b"));
    EXPECT_EQ(withPassword.value(QStringLiteral("root")), QStringLiteral("sftp://u:pw@h/"));

    // Other contexts save the path and the context only; no context, the path only.
    EXPECT_EQ(MivFileDataManager::remoteDataDescriptorFor(item, false, QStringLiteral("left")),
              (QVariantMap{{QStringLiteral("path"), QStringLiteral("sftp://u@h/base/a/b")},
                           {QStringLiteral("context"), QStringLiteral("left")}}));
    EXPECT_EQ(MivFileDataManager::remoteDataDescriptorFor(item, false, QString()),
              (QVariantMap{{QStringLiteral("path"), QStringLiteral("sftp://u@h/base/a/b")}}));
    EXPECT_EQ(MivFileDataManager::remoteDataDescriptorFor(nullptr, false, QStringLiteral("NETWORK")),
              (QVariantMap{{QStringLiteral("context"), QStringLiteral("NETWORK")}}));

    // The caller's own keys stay.
    QVariantMap side{{QStringLiteral("locked"), true}};
    MivFileDataManager::updateRemoteDataDescriptor(side, item, false, QString());
    EXPECT_EQ(side.value(QStringLiteral("locked")), true);
    EXPECT_EQ(side.size(), 2);
}

TEST_F(MivFileDataLocationsTest, NoRootKeyForTheNetworkRootItself)
{
    auto place = std::make_shared<itemtest::TreeFolder>();
    place->setName(QStringLiteral("somewhere"));
    place->setParent(MivNetworkRootData::sharedInstance());
    const QVariantMap entry = MivFileDataManager::remoteDataDescriptorFor(place, false, QStringLiteral("NETWORK"));
    EXPECT_FALSE(entry.contains(QStringLiteral("root"))) << flat(entry).toStdString();
    EXPECT_FALSE(entry.contains(QStringLiteral("remote-desc")));
}

TEST_F(MivFileDataLocationsTest, RestoredWithThePassword)
{
    const QVariantMap entry{{QStringLiteral("path"), QStringLiteral("sftp://u:s3cret@h/base/a%20b/c")},
                            {QStringLiteral("context"), QStringLiteral("NETWORK")},
                            {QStringLiteral("root"), QStringLiteral("sftp://u:s3cret@h/")},
                            {QStringLiteral("remote-desc"), connection}};
    const auto descriptor = MivFileDataManager::fileDataDescriptorForEntry(entry);
    const auto root = std::dynamic_pointer_cast<MivRemoteFileData>(descriptor->root());
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(key(root), QStringLiteral("sftp://u:s3cret@h/"));
    ASSERT_NE(root->descriptor(), nullptr);
    EXPECT_EQ(root->descriptor()->toMap(), connection);
    ASSERT_NE(descriptor->data(), nullptr);
    EXPECT_EQ(key(descriptor->data()), QStringLiteral("sftp://u:s3cret@h/base/a%20b/c"));
    EXPECT_TRUE(gui->prompts.isEmpty()) << "this kind connects when it is opened, not now";
}

TEST_F(MivFileDataLocationsTest, RestoredWithoutThePasswordAsksForItWhenTheKindConnectsAtOnce)
{
    plugin->configure = [](FakeBackend& backend) { backend.clientRequired = true; };
    const QVariantMap entry{{QStringLiteral("path"), QStringLiteral("sftp://u@h/base/x")},
                            {QStringLiteral("root"), QStringLiteral("sftp://u@h/")},
                            {QStringLiteral("remote-desc"), connection}};

    gui->answers.push_back({QStringLiteral("u"), QStringLiteral("s3cret"), false});
    const auto descriptor = MivFileDataManager::fileDataDescriptorForEntry(entry);
    ASSERT_NE(descriptor->root(), nullptr);
    ASSERT_EQ(gui->prompts.size(), 1);
    EXPECT_EQ(gui->prompts.first().realm, QStringLiteral("sftp://h/"));
    EXPECT_EQ(key(descriptor->root()), QStringLiteral("sftp://u:s3cret@h/"));
    ASSERT_NE(descriptor->data(), nullptr);
    EXPECT_EQ(key(descriptor->data()), QStringLiteral("sftp://u:s3cret@h/base/x")) << "made below the connected root";

    // Cancelled: the share cannot be reached, so nothing is restored.
    gui->answers.push_back({{}, {}, false, true});
    const auto cancelled = MivFileDataManager::fileDataDescriptorForEntry(entry);
    EXPECT_EQ(cancelled->root(), nullptr);
    EXPECT_EQ(cancelled->data(), nullptr);
}

TEST_F(MivFileDataLocationsTest, RootsThatDoNotResolve)
{
    plugin->answerNull = true;
    const auto none = MivFileDataManager::fileDataDescriptorForEntry(
        {{QStringLiteral("path"), QStringLiteral("sftp://h/x")}, {QStringLiteral("root"), QStringLiteral("sftp://h/")}});
    EXPECT_EQ(none->root(), nullptr);
    EXPECT_EQ(none->data(), nullptr);

    const auto empty = MivFileDataManager::fileDataDescriptorForEntry({});
    EXPECT_EQ(empty->root(), nullptr);
    EXPECT_EQ(MivFileDataManager::rootDataForEntry({}), nullptr);

    // Roots by name, whatever the root key says.
    EXPECT_EQ(MivFileDataManager::rootDataForEntry({{QStringLiteral("path"), QStringLiteral("NETWORK")},
                                                    {QStringLiteral("root"), QStringLiteral("sftp://h/")}}),
              MivNetworkRootData::sharedInstance());
    const auto bonjour = MivFileDataManager::fileDataDescriptorForEntry({{QStringLiteral("path"), QStringLiteral("BONJOUR")}});
    EXPECT_EQ(bonjour->root(), MivBonjourData::sharedInstance());
    EXPECT_EQ(bonjour->data(), nullptr);
}

TEST_F(MivFileDataLocationsTest, RebasingSavedPaths)
{
    const MivFileDataPtr root = MivFileDataManager::makeInstanceForString(QStringLiteral("sftp://h/base"), false);
    ASSERT_NE(root, nullptr);
    struct Case
    {
        const char* pathKey;
        const char* expected; // null: no item
    };
    const Case cases[] = {
        {"sftp://h/base/x/y", "sftp://h/base/x/y"},
        {"sftp://u:pw@h/base/x", "sftp://h/base/x"},       // credentials are not part of the comparison
        {"sftp://h/base//x///y/", "sftp://h/base/x/y"},     // empty components are skipped
        {"sftp://h/base/a%20b", "sftp://h/base/a%20b"},     // escapes removed, then escaped again by the child's URL
        {"sftp://h/other/x", nullptr},                      // outside the root
        {"sftp://h/basement/x", nullptr},                   // a sibling that only starts like it
        {"sftp://h/base", nullptr},                         // the root itself: nothing relative
        // Components that name no single child end the walk where it is.
        {"sftp://h/base/../etc", "sftp://h/base"},
        {"sftp://h/base/a/%2E%2E/%2E%2E/etc", "sftp://h/base/a"},
        {"sftp://h/base/a%2Fb/c", "sftp://h/base"},
        {"sftp://h/base/a/%00/c", "sftp://h/base/a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pathKey);
        const MivFileDataPtr moved = MivFileDataManager::moveData(root, QString::fromUtf8(c.pathKey));
        if (!c.expected) {
            EXPECT_EQ(moved, nullptr);
            continue;
        }
        ASSERT_NE(moved, nullptr);
        EXPECT_EQ(key(moved), QString::fromUtf8(c.expected));
    }

    // Against a reference: outside or equal answers the root.
    EXPECT_EQ(MivFileDataManager::moveData(root, QStringLiteral("sftp://h/other"), QStringLiteral("sftp://h/base")), root);
    EXPECT_EQ(MivFileDataManager::moveData(root, QStringLiteral("sftp://h/base"), QStringLiteral("sftp://h/base")), root);
    EXPECT_EQ(MivFileDataManager::moveData(root, QStringLiteral("sftp://h/base/x"), QString()), root) << "no reference";
    EXPECT_EQ(MivFileDataManager::moveData(nullptr, QStringLiteral("sftp://h/base/x")), nullptr);
    EXPECT_EQ(MivFileDataManager::resolvedRelativePathFrom(QString(), QStringLiteral("x")), QString());

    // A root item rebases against its root file's key.
    auto stand = std::make_shared<FakeRootItem>();
    stand->file = root;
    const MivFileDataPtr viaRoot = MivFileDataManager::moveData(stand, QStringLiteral("sftp://h/base/q"));
    EXPECT_EQ(viaRoot, stand) << "below the root file's key; the stand-in makes no children, so the walk ends at it";
    stand->file = nullptr;
    EXPECT_EQ(MivFileDataManager::moveData(stand, QStringLiteral("sftp://h/base/q")), stand) << "no reference key";
}

TEST_F(MivFileDataLocationsTest, BuildingStopsAtAChildThatCannotBeMade)
{
    auto base = std::make_shared<itemtest::TreeFolder>();
    EXPECT_EQ(MivFileDataManager::buildPathComponents({QStringLiteral("a"), QStringLiteral("b")}, base), base);
    EXPECT_EQ(MivFileDataManager::buildPathComponents({}, base), base);
    EXPECT_EQ(MivFileDataManager::buildPathComponents({QStringLiteral("a")}, nullptr), nullptr);
}

} // namespace
