#include "FileData/IMivFileDataGuiHandler.h"
#include "FileData/IMivFileDataPropertiesProvider.h"
#include "FileData/IMivFileHandlingPlugin.h"
#include "FileData/MivFileDataHelpers.h"
#include "FileData/MivFileDataOpener.h"
#include "FileData/MivPlugin.h"
#include "FileData/MivSingleton.h"

#include "support/FakePropertiesProvider.h"

#include <gtest/gtest.h>

namespace {

using FakeProvider = mivtest::FakePropertiesProvider;

class FakeGuiHandler : public IMivFileDataGuiHandler
{
public:
    std::shared_ptr<MivServiceData> modifyServiceData(const std::shared_ptr<MivServiceData>&) override { return nullptr; }
    std::shared_ptr<MivAuthDataObject> authenticate(const std::shared_ptr<MivAuthDataObject>&, bool) override
    {
        return nullptr;
    }
};

class FakeOpener : public MivFileDataOpener
{
public:
    void openFile(const MivFileDataPtr&, qint32 forOperation) override { lastOperation = forOperation; }
    void openFileFor(qint32 operation) override { lastOperation = operation; }
    qint32 lastOperation = -1;
};

// Leaves the process-wide slots empty for the next test.
class MivFileDataHelpersTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        MivFileDataHelpers::registerFileDataGuiHandler(nullptr);
        MivFileDataHelpers::registerFileDataPropertiesProvider(nullptr);
        MivFileDataHelpers::registerFileDataOpener(nullptr);
    }
};

TEST_F(MivFileDataHelpersTest, SlotsStartEmptyAreReplacedAndCleared)
{
    EXPECT_EQ(MivFileDataHelpers::fileDataGuiHandler(), nullptr);
    EXPECT_EQ(MivFileDataHelpers::fileDataPropertiesProvider(), nullptr);
    EXPECT_EQ(MivFileDataHelpers::fileDataOpener(), nullptr);

    auto provider = std::make_shared<FakeProvider>();
    auto handler = std::make_shared<FakeGuiHandler>();
    auto opener = std::make_shared<FakeOpener>();
    MivFileDataHelpers::registerFileDataPropertiesProvider(provider);
    MivFileDataHelpers::registerFileDataGuiHandler(handler);
    MivFileDataHelpers::registerFileDataOpener(opener);
    EXPECT_EQ(MivFileDataHelpers::fileDataPropertiesProvider(), provider);
    EXPECT_EQ(MivFileDataHelpers::fileDataGuiHandler(), handler);
    EXPECT_EQ(MivFileDataHelpers::fileDataOpener(), opener);

    // Held strongly: the registry keeps what it was given alive.
    std::weak_ptr<FakeProvider> weakProvider = provider;
    provider.reset();
    ASSERT_FALSE(weakProvider.expired());
    MivFileDataHelpers::fileDataPropertiesProvider()->setDictObject(QVariant(42), QStringLiteral("key"));
    EXPECT_EQ(MivFileDataHelpers::fileDataPropertiesProvider()->dict().value(QStringLiteral("key")).toInt(), 42);

    auto replacement = std::make_shared<FakeProvider>();
    MivFileDataHelpers::registerFileDataPropertiesProvider(replacement);
    EXPECT_EQ(MivFileDataHelpers::fileDataPropertiesProvider(), replacement);
    EXPECT_TRUE(weakProvider.expired()) << "registering again releases the old object";

    MivFileDataHelpers::registerFileDataOpener(nullptr);
    EXPECT_EQ(MivFileDataHelpers::fileDataOpener(), nullptr);
    EXPECT_EQ(MivFileDataHelpers::fileDataGuiHandler(), handler) << "slots are independent";

    MivFileDataHelpers::registerFileDataOpener(opener);
    MivFileDataHelpers::fileDataOpener()->openFile(nullptr, MivFileDataOpener::kOperationEdit);
    EXPECT_EQ(opener->lastOperation, 1);
}

class CountedSingleton : public MivSingleton<CountedSingleton>
{
public:
    CountedSingleton() { ++made; }
    static inline int made = 0;
};

TEST(MivSingletonTest, OneInstancePerClassUntilReleased)
{
    const auto first = CountedSingleton::sharedInstance();
    EXPECT_EQ(CountedSingleton::sharedInstance(), first);
    EXPECT_EQ(CountedSingleton::made, 1);
    CountedSingleton::releaseSharedInstance();
    const auto second = CountedSingleton::sharedInstance();
    EXPECT_NE(second, first);
    EXPECT_EQ(CountedSingleton::made, 2);
    CountedSingleton::releaseSharedInstance();
}

class ArchivePlugin : public MivPlugin, public virtual IMivFileHandlingPlugin
{
public:
    bool checkInstanceForPath(const QString& key) override { return key.endsWith(QStringLiteral(".zip")); }
    MivFileDataPtr instanceForKey(const QString&, plat::Error*) override { return nullptr; }
    MivFileDataPtr openFileData(const MivFileDataPtr&) override { return nullptr; }
    MivFileDataPtr closeFileData(const MivFileDataPtr&, const MivFileDataPtr&) override { return nullptr; }
};

TEST(MivPluginTest, PluginsAreFoundByTheInterfaceTheyAdopt)
{
    const QList<std::shared_ptr<IMivPlugin>> plugins{std::make_shared<MivPlugin>(), std::make_shared<ArchivePlugin>()};
    int fileHandling = 0;
    for (const auto& plugin : plugins) {
        plugin->installContextMenu(nullptr, nullptr); // the base adds nothing
        if (auto handling = std::dynamic_pointer_cast<IMivFileHandlingPlugin>(plugin)) {
            ++fileHandling;
            EXPECT_TRUE(handling->checkInstanceForPath(QStringLiteral("/a/b.zip")));
        }
    }
    EXPECT_EQ(fileHandling, 1);
}

} // namespace
