#include "app/menu/MivMainMenu.h"

#include "FileData/MivErrorPresenter.h"
#include "FileData/MivFileData.h"
#include "FileData/MivFileDataManager.h"
#include "app/alerts/MivAlertUtils.h"
#include "app/panel/MivFilesViewController.h"
#include "app/settings/MivContext.h"
#include "app/tabs/MivFilesTabViewController.h"
#include "app/tools/MivToolRunner.h"
#include "app/tools/MivToolbarButton.h"
#include "app/window/MivMainWindow.h"
#include "app/window/MivWinController.h"
#include "platform/KeyCodeAdapter.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/SortDescriptor.h"
#include "platform/Trash.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QStandardPaths>

const QString MivMainMenu::kFilesTableContextNeedChangeNotification = QStringLiteral("FilesTableContextNeedChange");

namespace {

constexpr int kYesAnswer = 1000;

// A Go menu place: its folder, whether it passes through the settings'
// file-system mapping, and its icon.
struct Place
{
    int tag;
    const char* title;
    std::function<QString()> folder;
    bool realPath;
    const char* icon;
};

QString standardFolder(QStandardPaths::StandardLocation location)
{
    return QStandardPaths::writableLocation(location);
}

QString applicationsFolder()
{
    // The local domain's applications: the first data folder that has any.
    for (const QString& folder : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        const QString applications = folder + QStringLiteral("/applications");
        if (QFileInfo(applications).isDir())
            return applications;
    }
    return QString();
}

QList<Place> places()
{
    return {
        {220, "Home", [] { return QDir::homePath(); }, true, "user-home"},
        {221, "Desktop", [] { return standardFolder(QStandardPaths::DesktopLocation); }, true, "user-desktop"},
        {222, "Downloads", [] { return standardFolder(QStandardPaths::DownloadLocation); }, true, "folder-download"},
        {223, "Library", [] { return standardFolder(QStandardPaths::GenericDataLocation); }, true, "folder"},
        {224, "Applications", [] { return applicationsFolder(); }, false, "folder"},
        {225, "Documents", [] { return standardFolder(QStandardPaths::DocumentsLocation); }, true, "folder-documents"},
        {226, "Utilities",
         [] {
             const QString applications = applicationsFolder();
             return applications.isEmpty() ? QString() : applications + QStringLiteral("/Utilities");
         },
         false, "folder"},
        {227, "Preferences", [] { return standardFolder(QStandardPaths::GenericConfigLocation); }, true, "folder"},
    };
}

} // namespace

MivMainMenu::MivMainMenu(QMenuBar* menuBar, MivWinController* controller, QObject* parent)
    : QObject(parent), m_controller(controller), m_menuBar(menuBar)
{
    buildFileMenu(menuBar);
    buildViewMenu(menuBar);
    buildGoMenu(menuBar);
    m_toolsMenu = menuBar->addMenu(tr("Tools"));
    m_toolsMenu->menuAction()->setVisible(false);
    if (controller)
        connect(controller, &MivWinController::toolbarButtonTriggered, this, &MivMainMenu::toolbarButtonAction);
}

MivMainMenu::~MivMainMenu() = default;

QAction* MivMainMenu::addItem(QMenu* menu, const QString& title, const char* name, int tag, bool checkable)
{
    QAction* item = menu->addAction(title);
    item->setObjectName(QString::fromLatin1(name));
    item->setData(tag);
    item->setCheckable(checkable);
    // Menu keys win over the panels' own keys, as the desktop's menus do.
    item->setShortcutContext(Qt::WindowShortcut);
    return item;
}

void MivMainMenu::buildFileMenu(QMenuBar* menuBar)
{
    QMenu* menu = menuBar->addMenu(tr("File"));
    QAction* preferences = addItem(menu, tr("Preferences…"), "showPreferencesDialog:");
    preferences->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    connect(preferences, &QAction::triggered, this, &MivMainMenu::showPreferencesDialog);
    menu->addSeparator();
    // The cloud account is never linked here, so both stay disabled.
    addItem(menu, tr("Export Settings to Dropbox"), "exportSettingsToDropbox:")->setEnabled(false);
    addItem(menu, tr("Import Settings from Dropbox"), "importSettingsFromDropbox:")->setEnabled(false);
    menu->addSeparator();
    QAction* emptyTrash = addItem(menu, tr("Empty Trash"), "emptyTrash:");
    emptyTrash->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backspace));
    connect(emptyTrash, &QAction::triggered, this, &MivMainMenu::emptyTrash);
}

void MivMainMenu::buildViewMenu(QMenuBar* menuBar)
{
    m_viewMenu = menuBar->addMenu(tr("View"));
    const char* viewTypes[] = {"as List", "as Icons", "as Columns", "as Thumbnails"};
    for (int type = 0; type <= ViewTypeLast - ViewTypeFirst; ++type) {
        QAction* item = addItem(m_viewMenu, tr(viewTypes[type]), "selectFilesView:", ViewTypeFirst + type, true);
        connect(item, &QAction::triggered, this, [this, item] { selectFilesView(item); });
    }
    m_viewMenu->addSeparator();

    m_sortByMenu = m_viewMenu->addMenu(tr("Sort By"));
    const std::pair<int, const char*> sortKeys[] = {
        {SortByName, "Name"}, {SortByExtension, "Extension"}, {SortByDate, "Modification Date"},
        {SortBySize, "Size"}, {SortByPerms, "Permissions"}};
    for (const auto& [tag, title] : sortKeys)
        addItem(m_sortByMenu, tr(title), "changeTableSorting:", tag, true);
    m_sortByMenu->addSeparator();
    addItem(m_sortByMenu, tr("Ascending"), "changeSortOrder:", SortAscending, true);
    addItem(m_sortByMenu, tr("Descending"), "changeSortOrder:", SortDescending, true);

    QAction* flat = addItem(m_viewMenu, tr("Flat Files Structure"), "showFlatFilesStructure:", 0, true);
    connect(flat, &QAction::triggered, this, [this, flat] { showFlatFilesStructure(flat); });
    addItem(m_viewMenu, tr("Only Selected Files"), "showSelectedFiles:", 0, true);
    m_viewMenu->addSeparator();

    const std::pair<int, const char*> toggles[] = {
        {CommandLine, "showHideCommandLine:"}, {PathBar, "showHidePathBar:"}, {DriveBar, "showHideDriveBar:"},
        {TabBar, "showHideTabBar:"}, {SideBar, "showHideSideBar:"}, {StatusBar, "showHideStatusBar:"},
        {HiddenFiles, "showHiddenFiles:"}, {InfoPanel, "showHideInfo:"}, {ActionBar, "showHideActionBar:"}};
    for (const auto& [tag, name] : toggles)
        addItem(m_viewMenu, QString(), name, tag);
    m_viewMenu->addSeparator();
    addItem(m_viewMenu, tr("Floating Window"), "setFloating:", 0, true);

    // Items whose work belongs to the window are announced; the ones this
    // menu carries out itself are connected above.
    for (QMenu* menu : {m_viewMenu, m_sortByMenu}) {
        for (QAction* item : menu->actions()) {
            if (item->isSeparator() || item->menu() || item->objectName() == QLatin1String("selectFilesView:")
                || item->objectName() == QLatin1String("showFlatFilesStructure:"))
                continue;
            connect(item, &QAction::triggered, this,
                    [this, item] { Q_EMIT commandTriggered(item->objectName(), item->data().toInt()); });
        }
    }
    connect(m_viewMenu, &QMenu::aboutToShow, this, &MivMainMenu::updateViewTitles);
    updateViewTitles();
}

void MivMainMenu::buildGoMenu(QMenuBar* menuBar)
{
    m_goMenu = menuBar->addMenu(tr("Go"));
    QAction* back = addItem(m_goMenu, tr("Back"), "prevAction:", GoBack);
    back->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_BracketLeft));
    back->setEnabled(false);
    QAction* forward = addItem(m_goMenu, tr("Forward"), "nextAction:", GoForward);
    forward->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_BracketRight));
    forward->setEnabled(false);
    for (QAction* item : {back, forward}) {
        connect(item, &QAction::triggered, this,
                [this, item] { Q_EMIT commandTriggered(item->objectName(), item->data().toInt()); });
    }
    m_goMenu->addSeparator();
    for (const Place& place : places()) {
        QAction* item = addItem(m_goMenu, tr(place.title), "gotoPathExecuted:", place.tag);
        connect(item, &QAction::triggered, this, [this, item] { gotoPathExecuted(item); });
    }
    QAction* network = addItem(m_goMenu, tr("Connections"), "gotoPathExecuted:", PlaceNetwork);
    connect(network, &QAction::triggered, this, [this, network] { gotoPathExecuted(network); });
    QAction* home = action(QStringLiteral("gotoPathExecuted:"), PlaceFirst);
    home->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H));
    connect(m_goMenu, &QMenu::aboutToShow, this, &MivMainMenu::fillPlaces);
    // Shortcuts of places reach folders before the menu was ever opened.
    fillPlaces();
}

QAction* MivMainMenu::action(const QString& name, int tag) const
{
    if (!m_menuBar)
        return nullptr;
    const QList<QAction*> items = m_menuBar->findChildren<QAction*>(name);
    for (QAction* item : items) {
        if (item->data().toInt() == tag)
            return item;
    }
    return nullptr;
}

QList<QAction*> MivMainMenu::toolActions() const
{
    QList<QAction*> items;
    for (QAction* item : m_toolsMenu->actions()) {
        if (item->objectName() == QLatin1String("toolsMenuSelected:"))
            items << item;
    }
    return items;
}

QList<QAction*> MivMainMenu::topLevelItems() const
{
    return m_menuBar ? m_menuBar->actions() : QList<QAction*>();
}

void MivMainMenu::updateToolsMenu()
{
    const auto context = MivContext::context();
    const QList<MivToolDef> tools = context ? context->tools() : QList<MivToolDef>();
    m_toolsMenu->menuAction()->setVisible(!tools.isEmpty());
    // The menu owns its items: clearing deletes them.
    m_toolsMenu->clear();
    if (m_controller)
        m_controller->removeAllToolbarItems();
    for (const MivToolDef& def : tools) {
        QAction* item = addItem(m_toolsMenu, def.name, "toolsMenuSelected:");
        if (def.shortcut) {
            item->setShortcut(plat::KeyCodeAdapter::keySequence(
                plat::VirtualKeyStroke{quint16(def.shortcut->keyCode), def.shortcut->modifierFlags}));
        }
        item->setProperty("def", QVariant::fromValue(def));
        connect(item, &QAction::triggered, this, [this, item] {
            const MivToolDef def = item->property("def").value<MivToolDef>();
            MIV_LOG_INFO(QStringLiteral("Tools item selected: %1 - def: %2").arg(item->text(), def.path));
            executeDefAction(def);
        });
        if (m_controller)
            m_controller->addToolbarItemForDefinition(def);
    }
    Q_EMIT toolsChanged();
}

std::optional<MivToolPanelSelection> MivMainMenu::selectionOf(MivFilesViewController* panel) const
{
    if (!panel)
        return std::nullopt;
    return MivToolPanelSelection{panel->selectedContext(), panel->context()};
}

MivFilesViewController* MivMainMenu::activePanel() const
{
    MivFilesTabViewController* side = m_controller ? m_controller->activeTabPanel() : nullptr;
    return side ? side->activePanel() : nullptr;
}

MivFilesViewController* MivMainMenu::opositePanel() const
{
    MivFilesTabViewController* side = m_controller ? m_controller->opositeTabPanel() : nullptr;
    return side ? side->activePanel() : nullptr;
}

void MivMainMenu::toolbarButtonAction(const MivToolbarButton* button)
{
    if (button)
        executeDefAction(button->def());
}

void MivMainMenu::executeDefAction(const MivToolDef& def)
{
    MivToolRunner::executeDefAction(def, selectionOf(activePanel()), selectionOf(opositePanel()));
}

void MivMainMenu::updateFlatStateForPanel(const MivFilesViewController* panel)
{
    if (QAction* item = action(QStringLiteral("showFlatFilesStructure:")))
        item->setChecked(panel && panel->flatStructure());
}

void MivMainMenu::updateOnlySelectedState(bool onlySelected)
{
    if (QAction* item = action(QStringLiteral("showSelectedFiles:")))
        item->setChecked(onlySelected);
}

void MivMainMenu::updateViewState(int viewType)
{
    for (int tag = ViewTypeFirst; tag <= ViewTypeLast; ++tag) {
        if (QAction* item = action(QStringLiteral("selectFilesView:"), tag))
            item->setChecked(viewType == tag - ViewTypeFirst);
    }
}

void MivMainMenu::sortDescriptorUpdated(const std::optional<plat::SortDescriptor>& descriptor)
{
    for (QAction* item : m_sortByMenu->actions())
        item->setChecked(false);
    if (!descriptor)
        return;
    static const QMap<QString, int> tags = {{QStringLiteral("name"), SortByName},
                                            {QStringLiteral("extenssion"), SortByExtension},
                                            {QStringLiteral("modificationDate"), SortByDate},
                                            {QStringLiteral("size"), SortBySize},
                                            {QStringLiteral("perms"), SortByPerms}};
    const auto tag = tags.constFind(descriptor->key);
    if (tag != tags.constEnd()) {
        if (QAction* item = action(QStringLiteral("changeTableSorting:"), *tag))
            item->setChecked(true);
    }
    if (QAction* item = action(QStringLiteral("changeSortOrder:"), descriptor->ascending ? SortAscending : SortDescending))
        item->setChecked(true);
}

void MivMainMenu::setPrevEnabled(bool enabled)
{
    m_backEnabled = enabled;
    action(QStringLiteral("prevAction:"), GoBack)->setEnabled(enabled);
}

void MivMainMenu::setNextEnabled(bool enabled)
{
    m_nextEnabled = enabled;
    action(QStringLiteral("nextAction:"), GoForward)->setEnabled(enabled);
}

void MivMainMenu::goBack()
{
    action(QStringLiteral("prevAction:"), GoBack)->trigger();
}

void MivMainMenu::goForward()
{
    action(QStringLiteral("nextAction:"), GoForward)->trigger();
}

void MivMainMenu::updateFloatingMenu()
{
    const QWidget* window = m_controller ? static_cast<QWidget*>(m_controller->window()) : nullptr;
    if (QAction* item = action(QStringLiteral("setFloating:")))
        item->setChecked(window && window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

void MivMainMenu::updateViewTitles()
{
    const auto context = MivContext::context();
    MivFilesTabViewController* side = m_controller ? m_controller->activeTabPanel() : nullptr;
    const auto entry = side ? side->entry() : nullptr;
    struct Row
    {
        int tag;
        const char* name;
        std::optional<bool> shown;
        const char* hide;
        const char* show;
    };
    const auto fromContext = [&context](bool (MivContext::*getter)() const) -> std::optional<bool> {
        return context ? std::optional<bool>(((*context).*getter)()) : std::nullopt;
    };
    const Row rows[] = {
        {CommandLine, "showHideCommandLine:", fromContext(&MivContext::commandLineVisible), "Hide Command Line", "Show Command Line"},
        {ActionBar, "showHideActionBar:", fromContext(&MivContext::actionBarVisible), "Hide Action Bar", "Show Action Bar"},
        // The info panel comes with the window's later parts; until then it is never shown.
        {InfoPanel, "showHideInfo:", false, "Hide Info Panel", "Show Info Panel"},
        {HiddenFiles, "showHiddenFiles:", entry ? std::optional<bool>(entry->showHidden()) : std::optional<bool>(false),
         "Hide Hidden Files", "Show Hidden Files"},
        {TabBar, "showHideTabBar:", side ? std::optional<bool>(!side->isTabBarHidden()) : std::optional<bool>(true),
         "Hide Tab Bar", "Show Tab Bar"},
        {DriveBar, "showHideDriveBar:", side ? std::optional<bool>(!side->isDriveBarHidden()) : std::optional<bool>(true),
         "Hide Drive Bar", "Show Drive Bar"},
        {PathBar, "showHidePathBar:", side ? std::optional<bool>(!side->isPathBarHidden()) : std::optional<bool>(true),
         "Hide Path Bar", "Show Path Bar"},
        {StatusBar, "showHideStatusBar:", fromContext(&MivContext::statusBarVisible), "Hide Status Bar", "Show Status Bar"},
        {SideBar, "showHideSideBar:", fromContext(&MivContext::sideBarVisible), "Hide Side Bar", "Show Side Bar"},
    };
    for (const Row& row : rows) {
        QAction* item = action(QString::fromLatin1(row.name), row.tag);
        if (item)
            item->setText(tr(row.shown.value_or(true) ? row.hide : row.show));
    }
    updateFlatStateForPanel(activePanel());
}

void MivMainMenu::fillPlaces()
{
    QAction* home = action(QStringLiteral("gotoPathExecuted:"), PlaceFirst);
    if (!home || home->property("place").isValid())
        return;
    for (const Place& place : places()) {
        QAction* item = action(QStringLiteral("gotoPathExecuted:"), place.tag);
        QString path = place.folder();
        if (!item || path.isEmpty() || !QFileInfo(path).isDir()) {
            if (item)
                item->setVisible(false);
            continue;
        }
        if (place.realPath)
            path = MivContext::realFileSystemPathFor(path);
        item->setText(QFileInfo(path).fileName().isEmpty() ? tr(place.title) : QFileInfo(path).fileName());
        item->setIcon(QIcon::fromTheme(QString::fromLatin1(place.icon)));
        item->setProperty("place", path);
    }
    if (QAction* network = action(QStringLiteral("gotoPathExecuted:"), PlaceNetwork)) {
        const QString root = QStringLiteral("NETWORK");
        const bool known = MivFileDataManager::makeInstanceForString(root, false) != nullptr;
        network->setVisible(known);
        if (known) {
            network->setText(tr("Connections"));
            network->setIcon(QIcon::fromTheme(QStringLiteral("network-workgroup")));
            network->setProperty("place", root);
        }
    }
}

void MivMainMenu::gotoPathExecuted(QAction* item)
{
    const QString place = item->property("place").toString();
    if (place.isEmpty())
        return;
    const MivFileDataPtr data = MivFileDataManager::makeInstanceForString(place, true);
    if (!data)
        return;
    plat::NotificationCenter::defaultCenter().post(kFilesTableContextNeedChangeNotification, data.get(),
                                                   {{QStringLiteral("item"), QVariant::fromValue(data)}});
}

void MivMainMenu::showFlatFilesStructure(QAction* item)
{
    // The tick may be stale (entering a folder leaves flat mode, another
    // panel may be active): the panel's own mode is what is switched.
    Q_UNUSED(item);
    MivFilesViewController* panel = activePanel();
    if (panel) {
        panel->setFlatStructure(!panel->flatStructure());
        panel->refreshPanel(true);
    }
    updateFlatStateForPanel(panel);
}

void MivMainMenu::selectFilesView(QAction* item)
{
    updateViewState(item->data().toInt() - ViewTypeFirst);
    Q_EMIT commandTriggered(item->objectName(), item->data().toInt());
}

void MivMainMenu::emptyTrash()
{
    const int answer = MivAlertUtils::runYesNoAlertWithMessage(
        tr("Do you really want to empty trash ?"),
        tr("Files in trash will be deleted permanently if you choose YES."), QString());
    if (answer != kYesAnswer)
        return;
    plat::Error error;
    if (!plat::Trash::emptyHomeTrash(&error))
        MivErrorPresenter::presentError(error);
}

void MivMainMenu::showPreferencesDialog()
{
    Q_EMIT preferencesRequested();
}
