#include "app/MivApplicationMain.h"

#include "FileData/MivErrorPresenter.h"
#include "FileData/MivFileDataManager.h"
#include "FileData/MivFileUtils.h"
#include "FileData/MivLogSetup.h"
#include "platform/Log.h"
#include "platform/MainDispatcher.h"
#include "platform/NoDestructor.h"
#include "platform/QtMainDispatcher.h"
#include "platform/Shutdown.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

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

void presentErrorInMessageBox(const plat::Error& error)
{
    QMessageBox box(QMessageBox::Warning, QApplication::applicationDisplayName(), error.localizedDescription(),
                    QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

} // namespace

int mivApplicationMain(int argc, char** argv)
{
    // Writes to a closed socket or pipe must fail with EPIPE, not end the
    // process; set before any thread starts so every thread inherits it.
    std::signal(SIGPIPE, SIG_IGN);

    MivLogging::setupLogging();
    MIV_LOG_INFO(QStringLiteral("-------------------> APP START <-------------------------"));

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("MIVO"));
    QApplication::setApplicationDisplayName(QStringLiteral("MIVO Zedarirov"));
    ensureUtf8CType();

    // Never destroyed: workers still running at exit may post to it.
    static plat::NoDestructor<plat::QtMainDispatcher> mainThread;
    plat::MainDispatcher::install(mainThread.get());
    MivErrorPresenter::setPresentationHandler(presentErrorInMessageBox);
    MivFileDataManager::registerHooks();
    MivFileUtils::registerVolumeHooks();

    // Until the application shell exists the program starts and quits cleanly.
    QTimer::singleShot(0, &app, &QCoreApplication::quit);
    const int result = app.exec();

    // In order: no new work, the pools drain (a few seconds at most), then
    // no main thread any more.
    plat::shutdownExecutors(plat::WaitClock::now() + kQuitDrainTime);
    MivErrorPresenter::setPresentationHandler({});
    plat::shutdownLogging();
    return result;
}
