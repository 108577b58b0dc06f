#include "app/window/MivWinController.h"

#include "FileData/IMivVolumeInfo.h"
#include "FileData/IMivVolumeProvider.h"
#include "FileData/MivErrorPresenter.h"
#include "FileData/MivFileData.h"
#include "FileData/MivFileDataManager.h"
#include "FileData/NetFileData/MivNetworkFileData.h"
#include "FileData/RootFileData/MivNetworkRootData.h"
#include "FileData/Formatters/MivFileSizeFormatter.h"
#include "app/controls/ColorGradientView.h"
#include "app/controls/MivCollapsibleSplitView.h"
#include "app/controls/MivProgressIndicator.h"
#include "app/files-table/MivFilesTableView.h"
#include "app/panel/MivFilesTableDataController.h"
#include "app/panel/MivFilesTableNotifications.h"
#include "app/panel/MivFilesViewController.h"
#include "app/settings/MivContext.h"
#include "app/settings/MivContextEntry.h"
#include "app/tabs/MivFilesTabViewController.h"
#include "app/tools/MivToolDef.h"
#include "app/tools/MivToolbarButton.h"
#include "app/window/MivActionStatusHolder.h"
#include "app/window/MivMainWindow.h"
#include "app/window/MivWindowControlKeys.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QFileIconProvider>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMutex>
#include <QProgressBar>
#include <QStyle>
#include <QThread>
#include <QToolBar>
#include <QVBoxLayout>

const QString MivWinController::kActiveLeftSideKey = QStringLiteral("ActiveLeftSide");
const QString MivWinController::kCommandLineHistoryKey = QStringLiteral("command_line_field.history");

namespace {

QMutex g_applierLock;
MivWinController::ShortcutApplier& shortcutApplier()
{
    static auto* applier = new MivWinController::ShortcutApplier();
    return *applier;
}

// The toolbar's named controls, in their default order.
const char* const kControlNames[] = {
    "prevNextControl.back", "prevNextControl.forward", "connectControl", "terminalControl", "searchControl",
    "selectControl", "quickLookControl", "infoControl", "viewControl", "editControl", "cpyControl",
    "moveControl", "mkdirControl", "mkfileControl", "renameControl", "removeControl", "compressControl",
    "uncompressControl", "shareControl", "sidebarControl", "dualSingleControl", "fileViewControl",
    "customViewControl", "hiddenControl",
};

} // namespace

MivWinController::MivWinController(SideFactory sideFactory)
    : m_sideFactory(std::move(sideFactory)), m_window(std::make_unique<MivMainWindow>())
{
    MivActionStatusHolder::sharedInstance().installListeners();
    auto context = MivContext::context();
    if (context && context->hideTitlebar())
        m_window->setUnifiedTitleAndToolBarOnMac(false);
    m_window->setWindowDelegate(this);
    MIV_LOG_INFO(QStringLiteral("------> MivWinController - STARING WINDOW <-------"));
    buildContent();
    buildToolbar();

    m_left = makeSide(QStringLiteral("left"), m_filesSplit);
    MIV_LOG_INFO(QStringLiteral("LOAD LEFT PANEL: %1").arg(m_left->objectName()));
    m_right = makeSide(QStringLiteral("right"), m_filesSplit);
    MIV_LOG_INFO(QStringLiteral("LOAD RIGHT PANEL: %1").arg(m_right->objectName()));
    if (context) {
        m_left->setEntry(context->left());
        m_right->setEntry(context->right());
        const QStringList history = context->dict().value(kCommandLineHistoryKey).toStringList();
        if (!history.isEmpty())
            setCommandLineHistory(history);
    }

    // Each side restores its tabs once it knows its identifier and entry.
    m_left->awakeFromNib();
    m_right->awakeFromNib();

    m_filesSplit->setDoubleClickOnDividerEnabled(true);
    m_filesSplit->setListener(this);
    m_mainSplitView->setListener(this);
    applyDividerStyle();
    m_filesSplit->loadState();
    m_mainSplitView->loadState();
    m_filesSplitWidth = m_filesSplit->width();
    m_filesSplit->installEventFilter(this);

    // Focus entering a side makes that side's panel the active one.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { sideFocused(now); });
    installNotificationHandlers();
    MIV_LOG_INFO(QStringLiteral("------> MivWinController - WINDOW STARTED <-------"));

    restructureWithAnimation(false);
    reloadShortcuts();
}

MivWinController::~MivWinController()
{
    m_window->setWindowDelegate(nullptr);
}

// --- Building ---

void MivWinController::buildContent()
{
    auto* content = new QWidget(m_window.get());
    auto* rows = new QVBoxLayout(content);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);

    m_mainSplitView = new MivCollapsibleSplitView(Qt::Horizontal, content);
    m_mainSplitView->setObjectName(QStringLiteral("mainSplitView"));
    // The sidebar's place; the sidebar itself comes later.
    m_sidebarSlot = new QWidget(m_mainSplitView);
    m_sidebarSlot->setObjectName(QStringLiteral("sidebarActionView"));
    m_mainSplitView->addWidget(m_sidebarSlot);
    m_filesSplit = new MivCollapsibleSplitView(Qt::Horizontal, m_mainSplitView);
    m_filesSplit->setObjectName(QStringLiteral("filesSplit"));
    m_mainSplitView->addWidget(m_filesSplit);
    m_mainSplitView->setSubviewsResizeMode(MivCollapsibleSplitView::KeepFirst);
    rows->addWidget(m_mainSplitView, 1);

    m_commandLine = new QWidget(content);
    m_commandLine->setObjectName(QStringLiteral("commandLine"));
    m_commandLine->setFixedHeight(kCommandLineHeight);
    auto* commandRow = new QHBoxLayout(m_commandLine);
    commandRow->setContentsMargins(4, 2, 4, 2);
    m_commandLineComboField = new QComboBox(m_commandLine);
    m_commandLineComboField->setObjectName(QStringLiteral("commandLineComboField"));
    m_commandLineComboField->setEditable(true);
    m_commandLineComboField->setInsertPolicy(QComboBox::InsertAtBottom);
    commandRow->addWidget(m_commandLineComboField);
    rows->addWidget(m_commandLine);

    auto* actionBar = new ColorGradientView(content);
    ColorGradientView::prepareToolbarView(actionBar, false);
    m_actionBar = actionBar;
    m_actionBar->setObjectName(QStringLiteral("actionBar"));
    m_actionBar->setFixedHeight(kActionBarHeight);
    rows->addWidget(m_actionBar);

    auto* statusBar = new ColorGradientView(content);
    statusBar->setStandard(true);
    m_statusBar = statusBar;
    m_statusBar->setObjectName(QStringLiteral("statusBar"));
    m_statusBar->setFixedHeight(kStatusBarHeight);
    auto* statusRow = new QHBoxLayout(m_statusBar);
    statusRow->setContentsMargins(6, 2, 6, 2);
    m_spinner = new QProgressBar(m_statusBar);
    m_spinner->setObjectName(QStringLiteral("spinner"));
    m_spinner->setRange(0, 0);
    m_spinner->setFixedSize(16, 16);
    m_spinner->setTextVisible(false);
    m_spinner->hide();
    statusRow->addWidget(m_spinner);
    m_contextPath = new QLabel(m_statusBar);
    m_contextPath->setObjectName(QStringLiteral("contextPath"));
    m_contextPath->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_contextPath->setMinimumWidth(0);
    m_contextPath->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusRow->addWidget(m_contextPath, 1);
    m_levelProgress = new MivProgressIndicator(m_statusBar);
    m_levelProgress->setObjectName(QStringLiteral("levelProgress"));
    m_levelProgress->setFixedSize(280, 20);
    m_levelProgress->setValue(0);
    statusRow->addWidget(m_levelProgress);
    rows->addWidget(m_statusBar);

    m_window->setCentralWidget(content);
}

void MivWinController::buildToolbar()
{
    m_mainToolbar = m_window->addToolBar(tr("Toolbar"));
    m_mainToolbar->setObjectName(QStringLiteral("mainToolbar"));
    m_mainToolbar->setMovable(false);
    m_mainToolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    const QHash<QString, QString> titles = {
        {"prevNextControl.back", tr("Back")},  {"prevNextControl.forward", tr("Forward")},
        {"connectControl", tr("Connect")},     {"terminalControl", tr("Terminal")},
        {"searchControl", tr("Search")},       {"selectControl", tr("Select")},
        {"quickLookControl", tr("Quick Look")}, {"infoControl", tr("Info")},
        {"viewControl", tr("View")},           {"editControl", tr("Edit")},
        {"cpyControl", tr("Copy")},            {"moveControl", tr("Move")},
        {"mkdirControl", tr("New Folder")},    {"mkfileControl", tr("New File")},
        {"renameControl", tr("Rename")},       {"removeControl", tr("Delete")},
        {"compressControl", tr("Compress")},   {"uncompressControl", tr("Uncompress")},
        {"shareControl", tr("Share")},         {"sidebarControl", tr("Sidebar")},
        {"dualSingleControl", tr("Panels")},   {"fileViewControl", tr("File View")},
        {"customViewControl", tr("List")},     {"hiddenControl", tr("Hidden")},
    };
    for (const char* raw : kControlNames) {
        const QString name = QString::fromLatin1(raw);
        QAction* action = m_mainToolbar->addAction(titles.value(name, name));
        action->setObjectName(name);
        m_controls.insert(name, action);
    }
    m_controls.value(QStringLiteral("hiddenControl"))->setCheckable(true);
    connect(m_controls.value(QStringLiteral("hiddenControl")), &QAction::triggered, this, [this] { showHiddenFiles(); });
    connect(m_controls.value(QStringLiteral("dualSingleControl")), &QAction::triggered, this, [this] {
        QAction* control = m_controls.value(QStringLiteral("dualSingleControl"));
        if (!control->isEnabled())
            return;
        // Enabled again when the side's collapse or expand has ended.
        control->setEnabled(false);
        if (auto context = MivContext::context())
            context->toggleDualMode();
    });
    m_mainToolbar->addSeparator();
    m_searchField = new QLineEdit(m_mainToolbar);
    m_searchField->setObjectName(QStringLiteral("searchField"));
    m_searchField->setPlaceholderText(tr("Filter"));
    m_searchField->setMaximumWidth(220);
    m_mainToolbar->addWidget(m_searchField);
    updateControls(nullptr);
}

MivFilesTabViewController* MivWinController::makeSide(const QString& ident, QWidget* parent)
{
    MivFilesTabViewController* side = m_sideFactory ? m_sideFactory(parent) : new MivFilesTabViewController(parent);
    side->setParent(parent);
    side->setIdentifier(ident);
    m_filesSplit->addWidget(side);
    return side;
}

MivMainWindow* MivWinController::window() const
{
    return m_window.get();
}

void MivWinController::showWindow()
{
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    // Shares are of the extent the window has once it is laid out.
    m_window->centralWidget()->layout()->activate();
    m_mainSplitView->reloadSplitPosition();
    m_filesSplit->reloadSplitPosition();
    m_filesSplitWidth = m_filesSplit->width();
}

void MivWinController::onGuiThread(std::function<void()> work)
{
    if (QThread::currentThread() == thread()) {
        work();
        return;
    }
    QPointer<MivWinController> self(this);
    QMetaObject::invokeMethod(
        this, [self, work = std::move(work)] {
            if (self)
                work();
        },
        Qt::QueuedConnection);
}

void MivWinController::installNotificationHandlers()
{
    auto& center = plat::NotificationCenter::defaultCenter();
    QPointer<MivWinController> self(this);
    const auto onGui = [self](std::function<void(MivWinController&, const plat::Notification&)> handler) {
        return [self, handler](const plat::Notification& notification) {
            if (!self)
                return;
            self->onGuiThread([self, handler, notification] {
                if (self)
                    handler(*self, notification);
            });
        };
    };
    m_observers.push_back(center.observe(QString::fromLatin1(ksFilesComponentActivatedNotification), nullptr,
                                         onGui([](MivWinController& window, const plat::Notification& n) {
                                             if (!n.object)
                                                 return;
                                             if (MivFilesViewController* panel = window.panelForObject(n.object))
                                                 window.filesComponentActivated(panel);
                                             else
                                                 window.tryUpdateActivePanel(nullptr);
                                         })));
    m_observers.push_back(center.observe(QString::fromLatin1(ksFilesTableControlKeyPressedNotification), nullptr,
                                         onGui([](MivWinController& window, const plat::Notification& n) {
                                             window.tableControlKeyPressed(n.userInfo);
                                         })));
    for (const char* name : {ksFilesTableRefresh, ksFilesTableContextChanged}) {
        m_observers.push_back(center.observe(QString::fromLatin1(name), nullptr,
                                             onGui([](MivWinController& window, const plat::Notification& n) {
                                                 window.doUpdatePanelUI(window.panelForObject(n.object), true);
                                             })));
    }
    const auto item = [](const plat::Notification& n, const char* key) {
        return n.userInfo.value(QString::fromLatin1(key)).value<MivFileDataPtr>();
    };
    m_observers.push_back(center.observe(QString::fromLatin1(ksFilesTableSelectionChanged), nullptr,
                                         onGui([item](MivWinController& window, const plat::Notification& n) {
                                             window.fileSelectionChanged(item(n, "context"));
                                         })));
    m_observers.push_back(center.observe(QString::fromLatin1(ksFilesTableFilterChangedNotification), nullptr,
                                         onGui([](MivWinController& window, const plat::Notification& n) {
                                             window.tableFilterChanged(window.panelForObject(n.object));
                                         })));
    m_observers.push_back(center.observe(QString::fromLatin1(ksFilesTableContextNeedChange), nullptr,
                                         onGui([item](MivWinController& window, const plat::Notification& n) {
                                             if (n.object)
                                                 window.changeContextForActiveTable(item(n, "item"));
                                         })));
    m_observers.push_back(center.observe(QString::fromLatin1(ksFilesTableChangeContextForNetworkFileNotification), nullptr,
                                         onGui([item](MivWinController& window, const plat::Notification& n) {
                                             const MivFileDataPtr place = item(n, "item");
                                             if (MivFilesTabViewController* side = window.activeTabPanel(); side && place)
                                                 side->changeContextForNetworkFile(place);
                                         })));
    m_observers.push_back(center.observe(QString::fromLatin1(ksRemoteFileAddedNotification), nullptr,
                                         onGui([item](MivWinController& window, const plat::Notification& n) {
                                             window.addNetObjectView(item(n, "item"));
                                         })));
    m_observers.push_back(center.observe(QString::fromLatin1(ksFilesTableNeedRefresh), nullptr,
                                         onGui([](MivWinController& window, const plat::Notification&) {
                                             if (MivFilesViewController* panel = window.activePanel())
                                                 panel->refreshPanel();
                                         })));
    m_observers.push_back(center.observe(QString::fromLatin1(ksRemoteFileRemovedNotification), nullptr,
                                         onGui([](MivWinController& window, const plat::Notification& n) {
                                             window.closeFilesTable(n.object);
                                         })));
    m_observers.push_back(center.observe(MivContext::notificationName(MivContext::Notify::PanelStructure), nullptr,
                                         onGui([](MivWinController& window, const plat::Notification&) {
                                             window.applyDividerStyle();
                                             auto context = MivContext::context();
                                             window.restructureWithAnimation(context && context->panelAnimation());
                                         })));
}

// --- Active panel ---

MivFilesViewController* MivWinController::panelForObject(const void* object) const
{
    if (!object)
        return nullptr;
    for (MivFilesTabViewController* side : {m_left, m_right}) {
        MivFilesViewController* panel = side->activePanel();
        // The views post their panel as its complete object.
        if (panel && dynamic_cast<const void*>(panel) == object)
            return panel;
    }
    return nullptr;
}

MivFilesViewController* MivWinController::activePanel() const
{
    return m_activeTable ? m_activeTable.data() : m_lastActiveTable.data();
}

MivFilesViewController* MivWinController::lastActiveTable() const
{
    return m_lastActiveTable.data();
}

MivFilesViewController* MivWinController::opositePanel() const
{
    return opositePanelFor(activePanel());
}

MivFilesViewController* MivWinController::opositePanelFor(const MivFilesViewController* panel) const
{
    MivFilesViewController* left = m_left->activePanel();
    if (left && left == panel)
        return m_right->activePanel();
    return left;
}

MivFilesTabViewController* MivWinController::activeTabPanel() const
{
    if (MivFilesViewController* panel = activePanel())
        return m_left->activePanel() == panel ? m_left : m_right;
    // Sides without panels: the focus tells.
    return m_focusedSide ? m_focusedSide.data() : m_right;
}

MivFilesTabViewController* MivWinController::opositeTabPanel() const
{
    return activeTabPanel() == m_left ? m_right : m_left;
}

void MivWinController::sideFocused(QWidget* now)
{
    if (!now)
        return;
    for (MivFilesTabViewController* side : {m_left, m_right}) {
        if (side != now && !side->isAncestorOf(now))
            continue;
        m_focusedSide = side;
        MivFilesViewController* panel = side->activePanel();
        if (panel && panel != m_activeTable)
            filesComponentActivated(panel);
        return;
    }
}

void MivWinController::tryUpdateActivePanel(MivFilesViewController* candidate)
{
    m_activeTable = panelForObject(candidate);
    plat::NotificationCenter::defaultCenter().post(QString::fromLatin1(ksActiveFileComponentChangedNotification),
                                                   m_activeTable.data());
    MivActionStatusHolder::sharedInstance().activeTableChanged();
}

void MivWinController::filesComponentActivated(MivFilesViewController* panel)
{
    if (!panel)
        return;
    tryUpdateActivePanel(panel);
    opositeTabPanel()->hideSearchPanel();
    updateHiddenControl(panel);
    plat::NotificationCenter::defaultCenter().post(QString::fromLatin1(ksFilesTableFilterChangedNotification), panel);
    m_lastActiveTable = panel;
    doUpdatePanelUI(panel, true);
}

// --- Control keys ---

void MivWinController::tableControlKeyPressed(const QVariantMap& userInfo)
{
    const QString key = userInfo.value(QStringLiteral("key")).toString();
    if (key.isEmpty())
        return;
    const auto is = [&key](const char* name) { return key == QLatin1String(name); };
    if (is(FilesTableControlKeyChangeFocus)) {
        MIV_LOG_INFO(QStringLiteral("tableControlKeyPressed - notification for change focus: %1").arg(key));
        opositeTabPanel()->requestFocusToActivePanel();
    } else if (is(FilesTableControlKeyOpenInTarget)) {
        openSelectedInTargetPanel(userInfo.value(QStringLiteral("left")).toBool());
    } else if (is(FilesTableControlKeyInsertTab)) {
        MIV_LOG_INFO(QStringLiteral("tableControlKeyPressed - notification for insert tab: %1").arg(key));
        activeTabPanel()->insertNewTab();
    } else if (is(FilesTableControlKeyShiftDown) || is(FilesTableControlKeyShiftUp)) {
        // The shifted button set of the action bar comes with the action bar.
        m_actionBar->setProperty("shifted", is(FilesTableControlKeyShiftDown));
    } else if (is(FilesTableControlKeyUpFolder)) {
        goUpFolder();
    } else if (is(FilesTableControlKeyHiddenFiles)) {
        showHiddenFiles();
    } else if (is(LeftFilesTableControlKey)) {
        (isLeftPanelCollapsed() ? m_right : m_left)->showDriveMenu();
    } else if (is(RightFilesTableControlKey)) {
        (isRightPanelCollapsed() ? m_left : m_right)->showDriveMenu();
    } else if (is(DeleteFilesTableControlKey)) {
        if (checkRemove())
            deleteFile();
    } else if (is(FilterFilesTableControlKey)) {
        if (m_searchField->isVisible()) {
            MIV_LOG_INFO(QStringLiteral("Filter field is visible"));
            m_searchField->setFocus(Qt::ShortcutFocusReason);
        } else {
            activeTabPanel()->showSearchPanel();
        }
    } else if (is(CommandlineControlKeyShowHistory)) {
        auto context = MivContext::context();
        if (context && context->commandLineVisible()) {
            m_commandLineComboField->setFocus(Qt::ShortcutFocusReason);
            m_commandLineComboField->showPopup();
        }
    }
}

void MivWinController::goUpFolder()
{
    activeTabPanel()->selectControlbarOption(MivFilesTabViewController::kControlUp);
}

void MivWinController::showHiddenFiles()
{
    activeTabPanel()->selectControlbarOption(MivFilesTabViewController::kControlHidden);
    updateHiddenControl(activePanel());
}

void MivWinController::updateHiddenControl(MivFilesViewController* panel)
{
    const auto side = panel ? panel->entry() : nullptr;
    m_controls.value(QStringLiteral("hiddenControl"))->setChecked(side ? side->showHidden() : panel && panel->showHidden());
}

bool MivWinController::checkRemove() const
{
    return MivActionStatusHolder::sharedInstance().removeEnabled();
}

void MivWinController::deleteFile()
{
    // File operations come with their own part; nothing is removed before.
    MIV_LOG_INFO(QStringLiteral("Delete requested for panel"));
}

void MivWinController::openSelectedInTargetPanel(bool left)
{
    MivFilesTabViewController* target = left ? m_left : m_right;
    MivFilesTabViewController* source = left ? m_right : m_left;
    MivFilesViewController* panel = source->activePanel();
    const MivFileDataPtr selected = panel ? panel->selectedFile() : nullptr;
    if (!selected)
        return;
    const bool folder = selected->isFolder();
    const MivFileDataPtr open = folder ? selected : selected->parent();
    if (!open)
        return;
    target->changeFilesPanelForData(open, folder ? QString() : selected->savingKey(), std::nullopt);
}

// --- Status bar ---

MivWinController::SpaceInfo MivWinController::spaceInfoFor(const IMivVolumeInfo* volume)
{
    if (!volume)
        return {0.0, QStringLiteral("---")};
    const qint64 total = volume->fileSystemSize();
    const qint64 free = volume->fileSystemFreeSize();
    const qint64 available = volume->fileSystemAvailableSize();
    SpaceInfo info;
    info.level = total > 0 ? double(total - free) / double(total) * 100.0 : 0.0;
    const auto size = [](qint64 bytes) { return MivFileSizeFormatter::convertSize(bytes, 4); };
    if (free - available > 0)
        info.text = tr("Free: %1 (%2) / %3").arg(size(free), size(free - available), size(total));
    else
        info.text = tr("Free: %1 / %2").arg(size(free), size(total));
    return info;
}

void MivWinController::updateSpaceInfo(MivFilesViewController* panel)
{
    if (!panel || panel != activePanel())
        return;
    std::shared_ptr<IMivVolumeInfo> volume;
    if (const MivFileDataPtr context = panel->context()) {
        if (auto* provider = dynamic_cast<IMivVolumeProvider*>(context.get()))
            volume = provider->resolveVolumeInfo();
    }
    const SpaceInfo info = spaceInfoFor(volume.get());
    m_levelProgress->setValue(info.level);
    m_levelProgress->text()->setText(info.text);
}

void MivWinController::updateContextPath(MivFilesViewController* panel)
{
    // The focused item when the panel has one, else the folder it shows.
    MivFileDataPtr shown = panel->selectedFile();
    if (!shown)
        shown = panel->context();
    m_contextPath->setText(shown ? shown->displayInfo() : QString());
}

// --- Panel notifications ---

void MivWinController::doUpdatePanelUI(MivFilesViewController* panel, bool updateSpace)
{
    if (!panel || panel != activePanel())
        return;
    if (updateSpace) {
        updateSpaceInfo(panel);
        updateContextPath(panel);
    }
    updateControls(panel);
}

void MivWinController::fileSelectionChanged(const MivFileDataPtr& item)
{
    MIV_LOG_DEBUG(QStringLiteral("[MivWinController] fileSelectionChanged - start"));
    MivFilesViewController* panel = activePanel();
    const MivFileDataPtr current = panel ? panel->selectedFile() : nullptr;
    MIV_LOG_DEBUG(QStringLiteral("[MivWinController] Current highlighted file: %1")
                      .arg(current ? current->description() : QStringLiteral("(null)")));
    if (!panel || current != item)
        return;
    const QString path = item ? item->displayInfo() : QString();
    MIV_LOG_DEBUG(QStringLiteral("[MivWinController] Update for context path: %1").arg(path));
    m_contextPath->setText(path);
    doUpdatePanelUI(panel, false);
    MIV_LOG_DEBUG(QStringLiteral("[MivWinController] fileSelectionChanged - done"));
}

void MivWinController::tableFilterChanged(MivFilesViewController* panel)
{
    if (!panel || panel != activePanel())
        return;
    // The panel keeps the predicate, not the typed request, so only "no
    // filter" can be shown faithfully; a field typed into keeps its text.
    if (!panel->arrayController()->filterPredicate())
        m_searchField->clear();
}

void MivWinController::changeContextForActiveTable(const MivFileDataPtr& item)
{
    if (!item)
        return;
    if (const auto* place = dynamic_cast<const MivNetworkFileData*>(item.get()); place && place->hidden()) {
        MivErrorPresenter::presentErrorWithCode(-12, tr("Selected path cannot be processed."));
        return;
    }
    MivFilesTabViewController* side = activeTabPanel();
    if (side->changeFilesPanelForData(item, QString(), std::nullopt))
        side->requestFocusToActivePanel();
}

void MivWinController::addNetObjectView(const MivFileDataPtr& item)
{
    MIV_LOG_INFO(QStringLiteral("Add net object: %1").arg(item ? item->description() : QStringLiteral("(null)")));
    const auto place = std::dynamic_pointer_cast<MivNetworkFileData>(item);
    if (!place)
        return;
    if (!activeTabPanel()->showFilesPanelForData(place, QString::fromLatin1(ksMivNetworkDataName), 0))
        return;
    const auto root = std::dynamic_pointer_cast<MivNetworkRootData>(place->parent());
    const MivServiceDataPtr service = place->serviceData();
    if (!root || !service)
        return;
    // The root lists a copy of its own: the connected item belongs to the tab.
    const auto listed = service->createNetworkFileData();
    listed->setInteractive(false);
    listed->setParent(root);
    root->addNetworkFile(listed);
}

bool MivWinController::closeQuickViewPanel()
{
    // The quick view comes with its own part; until then none is ever open.
    return false;
}

// --- Layout ---

void MivWinController::applyDividerStyle()
{
    // The setting's divider styles: 1 thick, 2 thin, 3 pane splitter.
    auto context = MivContext::context();
    const qint64 style = context ? context->dividerThicknes() : 1;
    m_filesSplit->setDividerWidth(style == 2 ? 1 : style == 3 ? 9 : 5);
}

bool MivWinController::isLeftPanelCollapsed() const
{
    return m_filesSplit->isSubviewCollapsed(m_left);
}

bool MivWinController::isRightPanelCollapsed() const
{
    return m_filesSplit->isSubviewCollapsed(m_right);
}

void MivWinController::collapseOrExpandLeftPanelWithAnimation(bool animate)
{
    m_filesSplit->collapseOrExpandSubview(m_left, animate);
}

void MivWinController::collapseOrExpandRightPanelWithAnimation(bool animate)
{
    m_filesSplit->collapseOrExpandSubview(m_right, animate);
}

void MivWinController::restructureWithAnimation(bool animate)
{
    auto context = MivContext::context();
    if (!context)
        return;
    const bool sideBarVisible = context->sideBarVisible();
    if (m_mainSplitView->isSubviewCollapsed(m_sidebarSlot) == sideBarVisible) {
        m_filesSplit->hideDivider(true);
        QPointer<MivCollapsibleSplitView> files(m_filesSplit);
        m_mainSplitView->collapseOrExpandSubview(m_sidebarSlot, animate, [files] {
            if (files)
                files->hideDivider(false);
        });
    }
    restructureFilesViewWithAnimation(animate);
    // Hidden rows give their height back to the panels through the layout.
    m_commandLine->setVisible(context->commandLineVisible());
    m_actionBar->setVisible(context->actionBarVisible());
    m_statusBar->setVisible(context->statusBarVisible());
}

bool MivWinController::restructureFilesViewWithAnimation(bool animate)
{
    auto context = MivContext::context();
    if (!context)
        return false;
    const qint32 mode = context->dualMode();
    qint32 current = 0;
    if (isLeftPanelCollapsed())
        current = 0;
    else if (isRightPanelCollapsed())
        current = 2;
    else
        current = mode >= 0 && mode <= 3 ? (mode | 1) : 0;

    bool turned = false;
    const Qt::Orientation wanted = context->dualVertical() ? Qt::Horizontal : Qt::Vertical;
    if (m_filesSplit->orientation() != wanted) {
        // Turned with both sides shown, so the share survives the turn.
        QWidget* collapsed = isLeftPanelCollapsed() ? m_left : (isRightPanelCollapsed() ? m_right : nullptr);
        if (collapsed)
            m_filesSplit->collapseOrExpandSubview(collapsed);
        const double position = m_filesSplit->dividerPosition();
        m_filesSplit->setOrientation(wanted);
        m_filesSplit->setDividerPosition(position);
        if (collapsed)
            m_filesSplit->collapseOrExpandSubview(collapsed);
        turned = true;
    }

    if (mode != current) {
        if (mode <= 1) {
            // The side about to go never keeps the focus.
            if (!isLeftPanelCollapsed())
                m_right->requestFocusToActivePanel();
            collapseOrExpandLeftPanelWithAnimation(animate);
        } else {
            if (!isRightPanelCollapsed())
                m_left->requestFocusToActivePanel();
            collapseOrExpandRightPanelWithAnimation(animate);
        }
    }
    return turned;
}

void MivWinController::collapseOrExpandDone(MivCollapsibleSplitView* splitView)
{
    auto context = MivContext::context();
    if (splitView == m_mainSplitView) {
        m_controls.value(QStringLiteral("sidebarControl"))->setEnabled(true);
        if (context && m_mainSplitView->isSubviewCollapsed(m_sidebarSlot) == context->sideBarVisible())
            m_mainSplitView->fixExpand(m_sidebarSlot, context->sideBarVisible());
    } else if (splitView == m_filesSplit) {
        m_controls.value(QStringLiteral("dualSingleControl"))->setEnabled(true);
    }
}

bool MivWinController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_filesSplit && event->type() == QEvent::Resize)
        filesSplitWidthChanged(m_filesSplit->width());
    return QObject::eventFilter(watched, event);
}

std::pair<double, double> MivWinController::nameColumnShares(double delta, double activeWidth, double opositeWidth,
                                                             bool sideBySide, bool synchronised)
{
    double active = delta;
    double oposite = delta;
    if (sideBySide) {
        const double sum = activeWidth + opositeWidth;
        active = sum > 0 ? delta * activeWidth / sum : delta / 2;
        oposite = sum > 0 ? delta * opositeWidth / sum : delta / 2;
    }
    return {active, synchronised ? 0.0 : oposite};
}

void MivWinController::filesSplitWidthChanged(int newWidth)
{
    const int delta = newWidth - m_filesSplitWidth;
    m_filesSplitWidth = newWidth;
    if (delta == 0 || m_columnSizeAdjusterDisabled)
        return;
    auto context = MivContext::context();
    MivFilesTabViewController* active = activeTabPanel();
    MivFilesTabViewController* oposite = opositeTabPanel();
    const auto [activeShare, opositeShare] =
        nameColumnShares(delta, active->width(), oposite->width(), m_filesSplit->orientation() == Qt::Horizontal,
                         context && context->synchPanelTablesSettings());
    // The name column belongs to the panel's file table.
    if (MivFilesViewController* panel = activePanel())
        panel->filesTable()->updateNameColumnSize(activeShare);
    if (MivFilesViewController* panel = opositePanel(); panel && opositeShare != 0.0)
        panel->filesTable()->updateNameColumnSize(opositeShare);
}

// --- Toolbar ---

void MivWinController::updateControls(MivFilesViewController* panel)
{
    if (panel && panel != activePanel())
        return;
    const MivActionStatusHolder& holder = MivActionStatusHolder::sharedInstance();
    const std::pair<const char*, bool> states[] = {
        {"removeControl", holder.removeEnabled()},         {"cpyControl", holder.copyEnabled()},
        {"moveControl", holder.moveEnabled()},             {"mkdirControl", holder.mkDirEnabled()},
        {"mkfileControl", holder.mkFileEnabled()},         {"editControl", holder.editEnabled()},
        {"viewControl", holder.viewEnabled()},             {"renameControl", holder.renameEnabled()},
        {"compressControl", holder.compressHereEnabled()}, {"uncompressControl", holder.uncompressHereEnabled()},
    };
    for (const auto& [name, enabled] : states)
        m_controls.value(QString::fromLatin1(name))->setEnabled(enabled);
    m_controls.value(QStringLiteral("quickLookControl"))->setEnabled(panel != nullptr);
    m_controls.value(QStringLiteral("prevNextControl.back"))->setEnabled(panel && panel->prevEnabled());
    m_controls.value(QStringLiteral("prevNextControl.forward"))->setEnabled(panel && panel->nextEnabled());
    const MivFileDataPtr context = panel ? panel->context() : nullptr;
    m_controls.value(QStringLiteral("terminalControl"))->setEnabled(context && context->isLocalFile());
}

void MivWinController::removeAllToolbarItems()
{
    for (MivToolbarButton* button : std::as_const(m_customToolbarItems)) {
        m_mainToolbar->removeAction(button);
        // Later: the button may be the one whose press led here.
        button->deleteLater();
    }
    m_customToolbarItems.clear();
}

void MivWinController::addToolbarItemForDefinition(const MivToolDef& definition)
{
    // One button per definition: two tools of one name keep their own buttons.
    auto* button = new MivToolbarButton(definition, m_mainToolbar);
    button->setObjectName(definition.name);
    QIcon icon;
    if (!definition.iconPath.isEmpty() && QFileInfo::exists(definition.iconPath))
        icon = QIcon(definition.iconPath);
    else if (!definition.path.isEmpty() && QFileInfo::exists(definition.path))
        icon = QFileIconProvider().icon(QFileInfo(definition.path));
    if (icon.isNull())
        icon = m_window->style()->standardIcon(QStyle::SP_CommandLink);
    button->setIcon(icon);
    connect(button, &QAction::triggered, this, [this, button] { Q_EMIT toolbarButtonTriggered(button); });
    m_customToolbarItems.append(button);
    m_mainToolbar->addAction(button);
}

QStringList MivWinController::toolbarAllowedItemIdentifiers() const
{
    QStringList names;
    for (const MivToolbarButton* button : m_customToolbarItems)
        names << button->def().name;
    return names;
}

QAction* MivWinController::toolbarItemForIdentifier(const QString& identifier)
{
    MIV_LOG_INFO(QStringLiteral("[MivWinController] Toolbar item: %1").arg(identifier));
    for (MivToolbarButton* button : std::as_const(m_customToolbarItems)) {
        if (button->def().name == identifier)
            return button;
    }
    return nullptr;
}

// --- Shortcuts ---

void MivWinController::setShortcutApplier(ShortcutApplier applier)
{
    QMutexLocker lock(&g_applierLock);
    shortcutApplier() = std::move(applier);
}

void MivWinController::reloadShortcuts()
{
    // Menu actions are the GUI thread's: whoever asks, they change there.
    onGuiThread([this] {
        ShortcutApplier applier;
        {
            QMutexLocker lock(&g_applierLock);
            applier = shortcutApplier();
        }
        if (applier)
            applier(m_window.get());
    });
}

// --- Removed network places ---

void MivWinController::closeFilesTable(const void* removedPlace)
{
    if (!removedPlace)
        return;
    // Each side closes the tabs below the removed place, keeping its last
    // tab; the quick view keeps what it shows.
    for (MivFilesTabViewController* side : {m_left, m_right})
        side->closeTabsBelowPlace(removedPlace);
}

// --- Start and quit ---

void MivWinController::started()
{
    MIV_LOG_INFO(QStringLiteral("Request focus to active panel in window: MivWinController"));
    bool left = true;
    if (auto context = MivContext::context()) {
        const QVariant saved = context->dict().value(kActiveLeftSideKey);
        if (saved.isValid())
            left = saved.toBool();
    }
    MivFilesTabViewController* side = left ? m_left : m_right;
    m_focusedSide = side;
    side->requestFocusToActivePanel();
    if (MivFilesViewController* panel = side->activePanel())
        filesComponentActivated(panel);
}

void MivWinController::saveState()
{
    auto context = MivContext::context();
    if (!context)
        return;
    context->setDictObject(qint64(activeTabPanel() == m_left ? 1 : 0), kActiveLeftSideKey);
    m_left->saveState();
    m_right->saveState();
    m_mainSplitView->saveState();
    m_filesSplit->saveState();
    const QStringList history = commandLineHistory();
    if (!history.isEmpty())
        context->setDictObject(history, kCommandLineHistoryKey);
}

void MivWinController::shutdown()
{
    m_left->shutdown();
    m_right->shutdown();
}

QStringList MivWinController::commandLineHistory() const
{
    QStringList items;
    for (int i = 0; i < m_commandLineComboField->count(); ++i)
        items << m_commandLineComboField->itemText(i);
    return items;
}

void MivWinController::setCommandLineHistory(const QStringList& history)
{
    m_commandLineComboField->clear();
    m_commandLineComboField->addItems(history);
    m_commandLineComboField->setCurrentIndex(-1);
}

void MivWinController::openFile(const MivFileDataPtr&, qint32)
{
}

void MivWinController::openFileFor(qint32)
{
}
