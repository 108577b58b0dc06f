#include "app/MivApplicationMain.h"

#include "FileData/MivErrorPresenter.h"
#include "FileData/MivFileDataManager.h"
#include "FileData/MivFileUtils.h"
#include "app/shell/MivAppDelegate.h"
#include "app/shell/MivApplication.h"
#include "app/shell/MivLaunchArguments.h"
#include "app/shell/MivQuitSignals.h"
#include "app/shell/MivSingleInstance.h"
#include "app/views/MivViewServices.h"
#include "app/window/MivMainWindow.h"
#include "platform/Log.h"
#include "platform/MainDispatcher.h"
#include "platform/NoDestructor.h"
#include "platform/QtMainDispatcher.h"
#include "platform/Shutdown.h"

#include <QDir>

#include <chrono>
#include <clocale>
#include <csignal>
#include <cstring>
#include <langinfo.h>

namespace {

// How long quitting waits for running work before the process exits anyway.
constexpr std::chrono::seconds kQuitDrainTime{3};

// The QApplication constructor calls setlocale(LC_ALL, ""), which falls back
// to "C" when LANG is unset; file names and archive entries need UTF-8.
void ensureUtf8CType()
{
    if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0)
        std::setlocale(LC_CTYPE, "C.UTF-8");
}

// Items of a launch go to the active side; a launch without items brings
// the window to the front.
void openLaunchItems(MivAppDelegate& delegate, const MivLaunchArguments& arguments)
{
    if (!arguments.paths.isEmpty())
        delegate.openFiles(arguments.paths);
    if (!arguments.urls.isEmpty())
        delegate.openURLs(arguments.urls);
}

} // namespace

int mivApplicationMain(int argc, char** argv)
{
    // Writes to a closed socket or pipe must fail with EPIPE, not end the
    // process; set before any thread starts so every thread inherits it.
    std::signal(SIGPIPE, SIG_IGN);

    MivApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("MIVO"));
    QApplication::setApplicationDisplayName(QStringLiteral("MIVO Zedarirov"));
    QApplication::setDesktopFileName(QStringLiteral("mivo"));
    ensureUtf8CType();

    // A later launch hands its items to the running program and ends.
    const MivLaunchArguments launch = MivLaunchArguments::parse(app.arguments().mid(1), QDir::currentPath());
    const QString channel = MivSingleInstance::defaultSocketPath();
    if (MivSingleInstance::sendToRunning(channel, launch))
        return 0;

    // Never destroyed: workers still running at exit may post to it.
    static plat::NoDestructor<plat::QtMainDispatcher> mainThread;
    plat::MainDispatcher::install(mainThread.get());
    // The error alert and the icon theme, before any window exists.
    installViewServices();
    MivFileDataManager::registerHooks();
    MivFileUtils::registerVolumeHooks();

    MivSingleInstance instance(channel);
    MivAppDelegate::Options options;
    options.relaunch = [&instance](const QString& program, const QStringList& arguments) {
        // This program no longer takes launches, or the new one would hand
        // itself over to it and end.
        instance.close();
        MivAppDelegate::launchApplication(program, arguments);
    };
    MivAppDelegate delegate(std::move(options));
    delegate.applicationWillFinishLaunching();

    instance.listen([&delegate](const MivLaunchArguments& arguments) {
        if (QWidget* window = MivApplication::mainWindow()) {
            window->raise();
            window->activateWindow();
        }
        openLaunchItems(delegate, arguments);
    });
    openLaunchItems(delegate, launch);

    delegate.applicationDidFinishLaunching();
    MivQuitSignals quitSignals;

    const int result = app.exec();
    delegate.applicationWillTerminate();

    // In order: no new work, the pools drain (a few seconds at most), then
    // no main thread any more.
    plat::shutdownExecutors(plat::WaitClock::now() + kQuitDrainTime);
    MivErrorPresenter::setPresentationHandler({});
    plat::shutdownLogging();
    return result;
}
