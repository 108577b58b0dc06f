#include "app/shell/MivAppDelegate.h"

#include "FileData/MivExec.h"
#include "FileData/MivFileData.h"
#include "FileData/MivFileDataManager.h"
#include "FileData/MivLogSetup.h"
#include "FileData/MivTaskLaunchException.h"
#include "app/menu/MivMainMenu.h"
#include "app/plugins/MivSvnAuthWindowController.h"
#include "app/settings/MivContext.h"
#include "app/shell/MivApplication.h"
#include "app/tabs/MivFilesTabViewController.h"
#include "app/window/MivMainWindow.h"
#include "platform/Error.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>

#include <exception>

#ifndef MIVO_VERSION
#define MIVO_VERSION "0.1"
#endif
#ifndef MIVO_BUILD
#define MIVO_BUILD "1"
#endif

const QString MivAppDelegate::kEffectiveAppearanceChangedNotification =
    QStringLiteral("EffectiveAppearanceChangedNotification");

namespace {

QString describe(const QObject* object)
{
    if (!object)
        return QStringLiteral("(null)");
    return QStringLiteral("<%1: 0x%2>").arg(QLatin1String(object->metaObject()->className())).arg(quintptr(object), 0, 16);
}

} // namespace

MivAppDelegate::MivAppDelegate() : MivAppDelegate(Options{}) {}

MivAppDelegate::MivAppDelegate(Options options) : m_options(std::move(options))
{
    // The administrator-mode command stays visible and disabled: that mode
    // never exists here.
    m_adminEnabled = false;
}

MivAppDelegate::~MivAppDelegate()
{
    if (qApp)
        qApp->removeEventFilter(this);
    MivContext::setBeforeSaveHook({});
    MivContext::setToolsChangedHook({});
    MivContext::setAuthenticateDialog({});
}

void MivAppDelegate::applicationWillFinishLaunching()
{
    if (m_options.setupLogging)
        MivLogging::setupLogging();
    MIV_LOG_INFO(QStringLiteral("-------------------> APP START <-------------------------"));

    loadContextData();
    MivContext::setAuthenticateDialog(&MivSvnAuthWindowController::authenticate);
    auto context = MivContext::context();
    if (context && !context->addOpenedDocumentsToRecent())
        installDocumentController();

    m_mainWinController = std::make_shared<MivWinController>(m_options.sideFactory);
    MivApplication::setMainWindow(m_mainWinController->window());
    MIV_LOG_INFO(QStringLiteral("MAIN WINDOW CONTROLLER: %1").arg(describe(m_mainWinController.get())));
    installMainMenu();

    if (context)
        context->setFileOperationContext(m_mainWinController);
    MIV_LOG_INFO(QStringLiteral("FILE OPERATION SET TO: %1").arg(describe(m_mainWinController.get())));

    initializeServiceConsumer();
    MIV_LOG_INFO(QStringLiteral("-----------> applicationWillFinishLaunching - DONE <---------------------"));
}

void MivAppDelegate::installMainMenu()
{
    m_mainMenu = std::make_unique<MivMainMenu>(m_mainWinController->window()->menuBar(), m_mainWinController.get());
    m_mainMenu->updateToolsMenu();
    m_mainMenu->reloadShortcuts();
    // The tool list may change on any thread; the menu is rebuilt on the GUI thread.
    QPointer<MivMainMenu> menu(m_mainMenu.get());
    MivContext::setToolsChangedHook([menu] {
        MivExec::runAsyncOnMainThread([menu] {
            if (menu)
                menu->updateToolsMenu();
        });
    });
}

void MivAppDelegate::applicationDidFinishLaunching()
{
    // Palette and theme changes stand for the platform's appearance.
    qApp->installEventFilter(this);

    MivWinController* controller = m_mainWinController.get();
    MIV_LOG_INFO(QStringLiteral("SHOW MAIN WINDOW: %1").arg(describe(controller)));
    controller->showWindow();
    MIV_LOG_INFO(QStringLiteral("MAIN WINDOW SHOWED: %1").arg(describe(controller)));

    auto context = MivContext::context();
    if (context && context->isFullScreen()) {
        controller->setColumnSizeAdjusterDisabled(true);
        try {
            controller->window()->showFullScreen();
        } catch (const std::exception& e) {
            MIV_LOG_ERROR(QStringLiteral("Error while toggle fullscreen: %1").arg(QString::fromUtf8(e.what())));
        }
        controller->setColumnSizeAdjusterDisabled(false);
    }

    QPointer<MivAppDelegate> self(this);
    MivExec::runAsyncOnMainThread([self] {
        if (!self)
            return;
        MIV_LOG_INFO(QStringLiteral("SETUP MAIN WINDOW: %1").arg(describe(self->m_mainWinController.get())));
        self->setupMainWindow();
    });
    MIV_LOG_INFO(QStringLiteral("--------------> applicationDidFinishLaunching - done <-----------------------"));
}

void MivAppDelegate::setupMainWindow()
{
    updateMainWindowTitle();
    m_mainWinController->started();
    QPointer<MivAppDelegate> self(this);
    MivExec::runAsyncOnMainThread([self] {
        if (self)
            self->startNetworkServices();
    });
}

void MivAppDelegate::updateMainWindowTitle()
{
    QWidget* window = m_mainWinController->window();
    window->setWindowTitle(tr("MIVO Zedarirov"));
    window->setWindowTitle(tr("%1 - Version %2 (%3)")
                               .arg(tr("MIVO Zedarirov"), QStringLiteral(MIVO_VERSION), QStringLiteral(MIVO_BUILD)));
}

void MivAppDelegate::startNetworkServices()
{
    // Service browsing on the local network starts here once the network
    // roots can browse; until then there is nothing to start.
}

void MivAppDelegate::installDocumentController()
{
    // The built-in viewer keeps no list of recent documents of its own, so
    // there is nothing to clear.
}

void MivAppDelegate::initializeServiceConsumer()
{
    MIV_LOG_INFO(QStringLiteral("Registering application as SERVICE CONSUMER ..."));
    // Other programs reach this one through its desktop entry and launches;
    // there is no Services menu to register with.
}

void MivAppDelegate::loadContextData()
{
    MivContext::loadContext();
    QPointer<MivAppDelegate> self(this);
    MivContext::setBeforeSaveHook([self] {
        if (self)
            self->applyDataBeforeSaveContext();
    });
}

bool MivAppDelegate::saveContextData()
{
    return MivContext::saveContext();
}

void MivAppDelegate::applyDataBeforeSaveContext()
{
    auto context = MivContext::context();
    if (!context || !m_mainWinController)
        return;
    QWidget* window = m_mainWinController->window();
    MivExec::runOnMainThread([&] { context->setIsFullScreen(window->isFullScreen()); });
}

// --- Opening items handed in ----------------------------------------------

bool MivAppDelegate::openFile(const QString& path)
{
    MIV_LOG_INFO(QStringLiteral("Open file: %1").arg(path));
    const QList<MivFileDataPtr> items = MivFileDataManager::makeInstancesForPaths({path}, true);
    if (items.isEmpty())
        return false;
    openForFiles(items, true);
    return true;
}

void MivAppDelegate::openFiles(const QStringList& paths)
{
    MIV_LOG_INFO(QStringLiteral("Open files: (%1)").arg(paths.join(QStringLiteral(", "))));
    const QList<MivFileDataPtr> items = MivFileDataManager::makeInstancesForPaths(paths, true);
    if (!items.isEmpty())
        openForFiles(items, true);
}

void MivAppDelegate::openURLs(const QList<QUrl>& urls)
{
    QStringList texts;
    for (const QUrl& url : urls)
        texts.append(url.toDisplayString(QUrl::RemovePassword));
    MIV_LOG_INFO(QStringLiteral("Open URLS: (%1)").arg(texts.join(QStringLiteral(", "))));
    const QList<MivFileDataPtr> items = MivFileDataManager::makeInstancesForUrls(urls, true);
    if (!items.isEmpty())
        openForFiles(items, true);
}

void MivAppDelegate::openForFiles(const QList<MivFileDataPtr>& items, bool goIn)
{
    if (items.isEmpty() || !items.first() || !m_mainWinController)
        return;
    MivFilesTabViewController* side = m_mainWinController->activeTabPanel();
    const MivFileDataPtr& item = items.first();
    MivFileDataPtr target;
    QString selection;
    if (goIn && item->isFolder()) {
        target = item;
    } else {
        target = item->parent();
        selection = item->pathKey();
    }
    if (!target)
        return;
    const MivFilesTabViewController::TabItemPtr tab = side->openTabForData(target, QString(), 0, true, {});
    if (!selection.isEmpty())
        side->changeFilesPanelForData(target, tab, selection, std::nullopt);
}

// --- Quit -------------------------------------------------------------------

void MivAppDelegate::applicationWillTerminate()
{
    // The application's last-window and quit paths may both lead here.
    if (m_terminated)
        return;
    m_terminated = true;
    if (m_mainWinController) {
        m_mainWinController->saveState();
        m_mainWinController->shutdown();
    }
    saveContextData();
    // The import replaces the archive just written; whatever its outcome,
    // the program comes back (with the old settings when it failed).
    if (MivContext::pendingSettingsImport()) {
        if (!MivContext::finishPendingSettingsImport())
            MIV_LOG_ERROR(QStringLiteral("Settings import failed: the current settings stay"));
        relaunch();
    }
    qApp->removeEventFilter(this);
}

void MivAppDelegate::restartContext(const MivFileDataPtr& archive)
{
    MivContext::setPendingSettingsImport(archive);
    QCoreApplication::quit();
}

MivFileDataPtr MivAppDelegate::reloadContext() const
{
    return MivContext::pendingSettingsImport();
}

void MivAppDelegate::relaunch()
{
    // The same executable with the arguments it was started with; it needs
    // none of its own.
    const QString program = QCoreApplication::applicationFilePath();
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    MIV_LOG_INFO(QStringLiteral("Relaunch: %1").arg(program));
    if (m_options.relaunch)
        m_options.relaunch(program, arguments);
    else
        launchApplication(program, arguments);
}

bool MivAppDelegate::launchApplication(const QString& path, const QStringList& params)
{
    try {
        if (MivExec::executeTaskWithLaunchPath(path, &params, 1))
            return true;
        MIV_LOG_ERROR(QStringLiteral("Cannot launch %1: no program there").arg(path));
    } catch (const MivTaskLaunchException& e) {
        MIV_LOG_ERROR(QStringLiteral("Cannot launch %1: %2").arg(path, QString::fromUtf8(e.what())));
    }
    return false;
}

bool MivAppDelegate::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == qApp && (event->type() == QEvent::ApplicationPaletteChange || event->type() == QEvent::ThemeChange))
        plat::NotificationCenter::defaultCenter().post(kEffectiveAppearanceChangedNotification, this);
    return QObject::eventFilter(watched, event);
}
