#include "app/shell/MivAppDelegate.h"

#include "FileData/MivFileData.h"
#include "FileData/MivFileDataHelpers.h"
#include "FileData/MivFileDataManager.h"
#include "app/settings/MivContext.h"
#include "app/shell/MivApplication.h"
#include "app/tabs/MivFilesTabViewController.h"
#include "app/window/MivMainWindow.h"
#include "platform/NotificationCenter.h"
#include "platform/NotificationToken.h"
#include "platform/Log.h"
#include "support/ScopedLogState.h"
#include "support/WaitUntil.h"

#include <QDir>
#include <QApplication>
#include <QFile>
#include <QPalette>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <mutex>

namespace {

// Records what the application asks of a side; tabs and panels arrive later.
class RecordingSide : public MivFilesTabViewController
{
public:
    explicit RecordingSide(QStringList* calls, QWidget* parent) : MivFilesTabViewController(parent), m_calls(calls) {}

    TabItemPtr openTabForData(const MivFileDataPtr& data, const QString& context, int index, bool sync,
                              TabCompletion) override
    {
        *m_calls << QStringLiteral("%1 open %2 at %3%4")
                        .arg(identifier(), data ? data->pathKey() : QStringLiteral("(no folder)"))
                        .arg(index)
                        .arg(sync ? QStringLiteral(" sync") : QString());
        return nullptr;
    }
    MivFilesViewController* changeFilesPanelForData(const MivFileDataPtr& data, const TabItemPtr&,
                                                    const QString& selection,
                                                    const std::optional<QVariantMap>&) override
    {
        *m_calls << QStringLiteral("%1 show %2 selecting %3").arg(identifier(), data->pathKey(), selection);
        return nullptr;
    }
    void saveState() override
    {
        *m_calls << identifier() + QStringLiteral(" saveState");
        MivFilesTabViewController::saveState();
    }
    void shutdown() override { *m_calls << identifier() + QStringLiteral(" shutdown"); }

private:
    QStringList* m_calls;
};

class AppDelegate : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MivContext::resetForTesting();
        // As the program's main does before start-up: items find their parents.
        MivFileDataManager::registerHooks();
        QFile::remove(MivContext::pathForContextDataFile());
        plat::setLogLineFormatter([this](const plat::LogMessage& message) {
            std::lock_guard guard(m_linesLock);
            m_lines << message.text;
            return message.text;
        });
    }

    void TearDown() override
    {
        m_delegate.reset();
        MivContext::resetForTesting();
        MivFileDataHelpers::registerFileDataPropertiesProvider(nullptr);
        MivFileDataHelpers::registerFileDataGuiHandler(nullptr);
    }

    void launch()
    {
        MivAppDelegate::Options options;
        options.setupLogging = false;
        options.sideFactory = [this](QWidget* parent) { return new RecordingSide(&calls, parent); };
        options.relaunch = [this](const QString& program, const QStringList& arguments) {
            relaunches << (QStringList{program} + arguments);
        };
        m_delegate = std::make_unique<MivAppDelegate>(options);
        m_delegate->applicationWillFinishLaunching();
        m_delegate->applicationDidFinishLaunching();
        ASSERT_TRUE(mivtest::waitUntil([this] { return indexOf(QStringLiteral("Request focus to active panel")) >= 0; }));
    }

    qsizetype indexOf(const QString& start)
    {
        std::lock_guard guard(m_linesLock);
        for (qsizetype i = 0; i < m_lines.size(); ++i) {
            if (m_lines[i].startsWith(start))
                return i;
        }
        return -1;
    }

    MivAppDelegate& delegate() { return *m_delegate; }

    mivtest::ScopedLogState m_logState;
    std::mutex m_linesLock;
    QStringList m_lines;
    QStringList calls;
    // Each relaunch asked for: the program, then its arguments.
    QList<QStringList> relaunches;
    std::unique_ptr<MivAppDelegate> m_delegate;
};

TEST_F(AppDelegate, StartsUpInOrder)
{
    launch();
    const QStringList order{
        "-------------------> APP START <-------------------------",
        "Loading context from file",
        "MAIN WINDOW CONTROLLER: <MivWinController",
        "FILE OPERATION SET TO: <MivWinController",
        "Registering application as SERVICE CONSUMER ...",
        "-----------> applicationWillFinishLaunching - DONE <---------------------",
        "SHOW MAIN WINDOW: <MivWinController",
        "MAIN WINDOW SHOWED: <MivWinController",
        "--------------> applicationDidFinishLaunching - done <-----------------------",
        "SETUP MAIN WINDOW: <MivWinController",
        "Request focus to active panel in window",
    };
    qsizetype previous = -1;
    for (const QString& line : order) {
        const qsizetype at = indexOf(line);
        EXPECT_GT(at, previous) << line.toStdString();
        previous = at;
    }

    MivWinController* controller = delegate().mainWinController();
    ASSERT_NE(controller, nullptr);
    EXPECT_TRUE(controller->window()->isVisible());
    EXPECT_TRUE(controller->window()->windowTitle().startsWith(QStringLiteral("MIVO Zedarirov - Version ")));
    EXPECT_EQ(MivApplication::mainWindow(), controller->window());
    EXPECT_EQ(controller->leftController()->identifier(), QStringLiteral("left"));
    EXPECT_EQ(controller->rightController()->identifier(), QStringLiteral("right"));
    EXPECT_EQ(MivContext::context()->fileOperationContext().get(), controller);
    // The sides own their saved state's entries.
    EXPECT_EQ(controller->leftController()->entry(), MivContext::context()->left());
    EXPECT_EQ(controller->rightController()->entry(), MivContext::context()->right());
}

TEST_F(AppDelegate, ItemsHandedInOpenInANewFirstTabOfTheActiveSide)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("folder"));
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const char* name : {"one.txt", "two.txt"}) {
        QFile file(QDir(folder).filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QString one = QDir(folder).filePath(QStringLiteral("one.txt"));
    const QString two = QDir(folder).filePath(QStringLiteral("two.txt"));
    launch();

    struct Case
    {
        const char* what;
        std::function<void()> hand;
        QStringList expected;
    };
    const Case cases[] = {
        {"a folder", [&] { EXPECT_TRUE(delegate().openFile(folder)); }, {"left open " + folder + " at 0 sync"}},
        {"a file",
         [&] { EXPECT_TRUE(delegate().openFile(one)); },
         {"left open " + folder + " at 0 sync", "left show " + folder + " selecting " + one}},
        {"several files",
         [&] { delegate().openFiles({two, one}); },
         {"left open " + folder + " at 0 sync", "left show " + folder + " selecting " + two}},
        {"a URL", [&] { delegate().openURLs({QUrl::fromLocalFile(folder)}); }, {"left open " + folder + " at 0 sync"}},
        {"a folder from the services", [&] {
             delegate().openForFiles(MivFileDataManager::makeInstancesForPaths({folder}, true));
         },
         {"left open " + dir.path() + " at 0 sync", "left show " + dir.path() + " selecting " + folder}},
        {"a root to select", [&] { delegate().openForFiles(MivFileDataManager::makeInstancesForPaths({"/"}, true)); },
         {}},
        {"nothing", [&] { delegate().openForFiles({}); }, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        calls.clear();
        c.hand();
        EXPECT_EQ(calls, c.expected);
    }
}

TEST_F(AppDelegate, ItemsGoToTheSideThatWasActiveAtTheLastQuit)
{
    MivContext::loadContext();
    MivContext::context()->setDictObject(qint64(0), MivWinController::kActiveLeftSideKey);
    ASSERT_TRUE(MivContext::saveContext());
    MivContext::resetForTesting();
    launch();
    EXPECT_EQ(delegate().mainWinController()->activeTabPanel(), delegate().mainWinController()->rightController());
    calls.clear();
    delegate().openFile(QDir::tempPath());
    ASSERT_EQ(calls.size(), 1);
    EXPECT_TRUE(calls.first().startsWith(QStringLiteral("right open ")));
}

TEST_F(AppDelegate, QuittingSavesTheWindowAndWritesTheArchive)
{
    launch();
    const QString archive = MivContext::pathForContextDataFile();
    QFile::remove(archive);
    delegate().mainWinController()->setCommandLineHistory({QStringLiteral("ls -l"), QStringLiteral("make")});
    calls.clear();

    delegate().applicationWillTerminate();
    EXPECT_EQ(calls, (QStringList{"left saveState", "right saveState", "left shutdown", "right shutdown"}));
    ASSERT_TRUE(QFile::exists(archive));
    EXPECT_TRUE(relaunches.isEmpty()) << "no import chosen, no relaunch";

    // What was written is what the next start reads.
    MivContext::resetForTesting();
    MivContext::loadContext();
    const QVariantMap store = MivContext::context()->dict();
    EXPECT_EQ(store.value(QStringLiteral("ActiveLeftSide")).toLongLong(), 1);
    EXPECT_EQ(store.value(QStringLiteral("command_line_field.history")).toStringList(),
              (QStringList{"ls -l", "make"}));
    EXPECT_FALSE(store.contains(QStringLiteral("command_line_field_history")));
    EXPECT_FALSE(MivContext::context()->isFullScreen());
}

TEST_F(AppDelegate, AppearanceChangesArePosted)
{
    launch();
    int posted = 0;
    plat::NotificationToken token = plat::NotificationCenter::defaultCenter().observe(
        MivAppDelegate::kEffectiveAppearanceChangedNotification, &delegate(), [&](const plat::Notification&) { ++posted; });
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::WindowText, Qt::white);
    const QPalette previous = QApplication::palette();
    QApplication::setPalette(palette);
    QApplication::setPalette(previous);
    ASSERT_TRUE(mivtest::waitUntil([&] { return posted >= 1; }));
}

// An import chosen while running takes effect at quit: the archive written
// at quit is replaced by the imported one, nothing this process still holds
// is saved over it, and the program starts again once.
TEST_F(AppDelegate, QuittingAfterAnImportAppliesItAndRelaunchesOnce)
{
    launch();
    QTemporaryDir exports;
    ASSERT_TRUE(exports.isValid());
    MivContext::context()->setMaxHistoryEntries(7);
    ASSERT_TRUE(MivContext::saveContext());
    const MivFileDataPtr zip =
        MivContext::exportSettingsTo(MivFileDataManager::makeFreshInstanceForString(exports.path(), true));
    ASSERT_TRUE(zip);
    MivContext::context()->setMaxHistoryEntries(3);

    delegate().restartContext(zip);
    EXPECT_EQ(delegate().reloadContext(), zip);
    EXPECT_TRUE(relaunches.isEmpty()) << "nothing happens before the quit";
    delegate().applicationWillTerminate();
    delegate().applicationWillTerminate();
    ASSERT_EQ(relaunches.size(), 1);
    EXPECT_EQ(relaunches.first(), QStringList{QCoreApplication::applicationFilePath()} + QCoreApplication::arguments().mid(1));
    EXPECT_FALSE(delegate().reloadContext());

    // A late save (the periodic one) must not undo the import.
    EXPECT_FALSE(MivContext::saveContext());
    MivContext::resetForTesting();
    MivContext::loadContext();
    EXPECT_EQ(MivContext::context()->maxHistoryEntries(), 7);
}

// An import that fails keeps the settings written at quit; the program still
// comes back, with them.
TEST_F(AppDelegate, AFailedImportKeepsTheSettingsAndStillRelaunches)
{
    launch();
    QTemporaryDir exports;
    ASSERT_TRUE(exports.isValid());
    const QString broken = exports.filePath(QStringLiteral("settings_2024_01_02.zip"));
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a zip");
    file.close();
    MivContext::context()->setMaxHistoryEntries(5);

    delegate().restartContext(MivFileDataManager::makeFreshInstanceForString(broken, true));
    delegate().applicationWillTerminate();
    EXPECT_EQ(relaunches.size(), 1);
    MivContext::resetForTesting();
    MivContext::loadContext();
    EXPECT_EQ(MivContext::context()->maxHistoryEntries(), 5);
}

// The real launcher starts the program on its own and says when it cannot.
TEST_F(AppDelegate, LaunchApplicationStartsTheProgram)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString marker = dir.filePath(QStringLiteral("started"));
    EXPECT_TRUE(MivAppDelegate::launchApplication(QStringLiteral("/bin/sh"),
                                                  {QStringLiteral("-c"), QStringLiteral("echo $0 > \"$1\""),
                                                   QStringLiteral("relaunched"), marker}));
    ASSERT_TRUE(mivtest::waitUntil([&] {
        QFile file(marker);
        return file.open(QIODevice::ReadOnly) && file.readAll() == "relaunched\n";
    }));
    EXPECT_FALSE(MivAppDelegate::launchApplication(dir.filePath(QStringLiteral("missing")), {}));
}

} // namespace
