#include "SettingsTestSupport.h"
#include "support/WaitUntil.h"

#include "FileData/Local/MivSearchResultData.h"
#include "FileData/MivAuthDataObject.h"
#include "FileData/MivFileData.h"
#include "FileData/MivFileDataManager.h"
#include "app/colors/MivColorDef.h"
#include "app/plugins/MivSvnDataManager.h"
#include "app/settings/MivUpdateCheckAdapter.h"
#include "app/tabs/IMivSavedTab.h"
#include "platform/MainDispatcher.h"

#include <QObject>
#include <QTemporaryDir>

#include <thread>

namespace {

using mivtest::SettingsTest;

class FolderTab : public IMivSavedTab
{
public:
    explicit FolderTab(MivFileDataPtr folder) : m_folder(std::move(folder)) {}
    bool locked() const override { return false; }
    bool softLocked() const override { return false; }
    QString lockContext() const override { return QString(); }
    QVariantMap lockContextData() const override { return {}; }
    MivFileDataPtr folder() const override { return m_folder; }
    QString tabContext() const override { return QStringLiteral("LOCAL"); }
    std::optional<QVariantMap> panelProfile() const override { return std::nullopt; }
    bool stateLoaded() const override { return true; }
    std::optional<QVariantMap> stateData() const override { return std::nullopt; }

private:
    MivFileDataPtr m_folder;
};

using MivContextServicesTest = SettingsTest;

TEST_F(MivContextServicesTest, SearchResultTabsAreNotSaved)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto folder = MivFileDataManager::makeFreshInstanceForString(dir.path(), true);
    const auto results = MivFileData::makeItem<MivSearchResultData>();
    MivContextEntry entry;
    entry.saveItems({std::make_shared<FolderTab>(folder), std::make_shared<FolderTab>(results), std::make_shared<FolderTab>(folder)});
    ASSERT_EQ(entry.items().size(), 2);
    EXPECT_EQ(entry.items()[0], entry.items()[1]);
    EXPECT_FALSE(MivContextEntry::savinDataForTabItem(nullptr, results, QString()));
}

TEST_F(MivContextServicesTest, TabStylesAreRegisteredOnceInOrder)
{
    QStringList registered;
    MivContext::setTabStyleRegistrar([&registered](const QString& name) { registered.append(name); });
    MivContext::context();
    MivContext::create();
    const QStringList expected{QStringLiteral("MivMontereyFinderTabStyle"), QStringLiteral("MivCardTabStyle"),
                               QStringLiteral("MivAdiumTabStyle")};
    EXPECT_EQ(registered, expected);
    MivContext::setTabStyleRegistrar(nullptr);
}

TEST_F(MivContextServicesTest, SubversionClientAndDialogsAnswerNeutrallyUntilRegistered)
{
    EXPECT_TRUE(MivContext::create()->svnVersion().isNull());
    MivSvnDataManager::setAvailablePluginsProvider([] { return QStringList{QStringLiteral("SVN 1.14"), QStringLiteral("SVN 1.10")}; });
    EXPECT_EQ(MivContext::create()->svnVersion(), QStringLiteral("SVN 1.14"));
    MivSvnDataManager::setAvailablePluginsProvider(nullptr);

    const auto context = MivContext::create();
    const auto auth = std::make_shared<MivAuthDataObject>();
    EXPECT_FALSE(context->authenticate(auth, true));
    EXPECT_FALSE(context->modifyServiceData(nullptr));
    bool asked = false;
    MivContext::setAuthenticateDialog([&asked](const std::shared_ptr<MivAuthDataObject>& data, bool showUserData) {
        asked = showUserData;
        return data;
    });
    EXPECT_EQ(context->authenticate(auth, true), auth);
    EXPECT_TRUE(asked);
    MivContext::setAuthenticateDialog(nullptr);
    EXPECT_FALSE(context->authenticate(auth, true));
}

TEST_F(MivContextServicesTest, WindowsAreMadeOnFirstAccessOnTheMainThread)
{
    // The test thread is the GUI thread: it turns its loop while the worker
    // waits for the window to be made there.
    plat::MainDispatcher& dispatcher = *plat::MainDispatcher::instance();
    const auto context = MivContext::create();
    EXPECT_EQ(context->progressPopover(), nullptr) << "no window class registered";
    EXPECT_TRUE(context->updateCheckAdapter());

    int made = 0;
    bool onMain = false;
    QObject window;
    MivContext::setProgressPopoverFactory([&] {
        ++made;
        onMain = dispatcher.isMainThread();
        return &window;
    });
    std::atomic<QObject*> fromWorker = nullptr;
    std::atomic<bool> workerDone = false;
    std::thread worker([&] {
        fromWorker = context->progressPopover();
        workerDone = true;
    });
    EXPECT_TRUE(mivtest::waitUntil([&] { return workerDone.load(); }, std::chrono::seconds(30)));
    worker.join();
    EXPECT_EQ(fromWorker.load(), &window);
    EXPECT_TRUE(onMain);
    EXPECT_EQ(context->progressPopover(), &window);
    EXPECT_EQ(made, 1);
    EXPECT_EQ(context->ftpTranscript(), nullptr);
    MivContext::setProgressPopoverFactory(nullptr);
}

TEST(MivColorDefTest, CalculatePatternCompilesWholeNameWildcards)
{
    struct Case
    {
        const char* definition;
        const char* attributes;
        const char* name;
        bool nameMatches;
    };
    const Case cases[] = {
        {"*.doc,*.docx", "", "Report.DOCX", true},
        {"*.doc,*.docx", "", "report.docx.bak", false},
        {"*mpp", "", "plan.mpp", true},
        {"a?c", "", "abc", true},
        {"a?c", "", "abbc", false},
        {"*.tif*", "", "scan.tiff", true},
        {"(x)+[y].*", "", "(x)+[y].txt", true},
        {"(x)+[y].*", "", "xxy.txt", false},
        {"", "-??x*", "anything", false},
    };
    for (const Case& c : cases) {
        MivColorDef rule;
        rule.definition = QString::fromUtf8(c.definition);
        rule.attributes = QString::fromUtf8(c.attributes);
        rule.calculatePattern();
        const bool matched = std::any_of(rule.regexs.cbegin(), rule.regexs.cend(),
                                         [&c](const auto& regex) { return regex->matches(QString::fromUtf8(c.name)); });
        EXPECT_EQ(matched, c.nameMatches) << c.definition << " / " << c.name;
        EXPECT_EQ(bool(rule.attrsRegex), *c.attributes != 0) << c.definition;
    }
    MivColorDef executable;
    executable.attributes = QStringLiteral("-??x*");
    executable.calculatePattern();
    EXPECT_TRUE(executable.regexs.isEmpty());
    EXPECT_TRUE(executable.attrsRegex->matches(QStringLiteral("-rwxr-xr-x")));
    EXPECT_FALSE(executable.attrsRegex->matches(QStringLiteral("drwxr-xr-x")));
}

} // namespace
