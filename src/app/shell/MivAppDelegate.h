#pragma once

#include "FileData/MivFileDataTypes.h"
#include "app/window/MivWinController.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>

class MivMainMenu;
class MivWinController;

// The application's delegate: starts the program in a fixed order, opens the
// items handed in by launches, and saves and stops everything at quit. Lives
// as long as the process, on the GUI thread.
class MivAppDelegate : public QObject
{
    Q_OBJECT

public:
    // Posted on the default centre, with the delegate as object, when the
    // application's appearance (palette or theme) changed.
    static const QString kEffectiveAppearanceChangedNotification;

    // Starts a program with its arguments, on its own (not waited for).
    using Launcher = std::function<void(const QString& program, const QStringList& arguments)>;

    struct Options
    {
        // Makes each side of the main window; empty for the real sides.
        MivWinController::SideFactory sideFactory;
        // Tests keep the logger they installed.
        bool setupLogging = true;
        // Starts the program again after a settings import at quit; empty
        // for launchApplication. Tests record the request instead.
        Launcher relaunch;
    };

    MivAppDelegate();
    explicit MivAppDelegate(Options options);
    ~MivAppDelegate() override;

    // Start-up: logging, settings, the main window controller.
    void applicationWillFinishLaunching();
    // Start-up: shows the main window and queues the rest for the next turns.
    void applicationDidFinishLaunching();
    // On a later turn: title, then the controller's started().
    void setupMainWindow();
    void updateMainWindowTitle();
    void startNetworkServices();

    void loadContextData();
    bool saveContextData();
    // Called by each save of the settings: stores the window's full-screen state.
    void applyDataBeforeSaveContext();

    // Items handed in by a launch. openFile answers whether an item was opened.
    bool openFile(const QString& path);
    void openFiles(const QStringList& paths);
    void openURLs(const QList<QUrl>& urls);
    void openForFiles(const QList<MivFileDataPtr>& items) { openForFiles(items, false); }
    // Opens the first item in a new first tab of the active side: a folder
    // itself with goIn, else its parent with the item selected.
    void openForFiles(const QList<MivFileDataPtr>& items, bool goIn);

    // Quit: the window's state, both sides, the settings archive; then the
    // import and relaunch that a settings import asked for.
    void applicationWillTerminate();
    // Stores the archive to import at quit and asks the application to quit.
    void restartContext(const MivFileDataPtr& archive);
    // Starts the program directly with the arguments; false (logged) when it
    // could not be started.
    static bool launchApplication(const QString& path, const QStringList& params);

    // Platform services with no meaning here answer neutrally.
    void runAsAdmin() {}
    void updatePreferencesFromAdminToNormal() {}
    void checkAdminRun() {}

    MivWinController* mainWinController() const { return m_mainWinController.get(); }
    MivMainMenu* mainMenu() const { return m_mainMenu.get(); }
    // The settings export to import at quit; null unless one was chosen.
    MivFileDataPtr reloadContext() const;
    bool backEnabled() const { return m_backEnabled; }
    bool nextEnabled() const { return m_nextEnabled; }
    bool adminEnabled() const { return m_adminEnabled; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void installDocumentController();
    // The main menu on the main window's menu bar, with the user's tools and keys.
    void installMainMenu();
    void initializeServiceConsumer();
    void relaunch();

    Options m_options;
    std::shared_ptr<MivWinController> m_mainWinController;
    std::unique_ptr<MivMainMenu> m_mainMenu;
    bool m_backEnabled = false;
    bool m_nextEnabled = false;
    bool m_adminEnabled = true;
    bool m_terminated = false;
};
