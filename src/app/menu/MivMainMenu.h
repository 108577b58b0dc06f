#pragma once

#include "app/menu/MivMenuShortcuts.h"
#include "app/tools/MivToolDef.h"
#include "app/tools/MivToolPanelSelection.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

class MivFilesViewController;
class MivToolbarButton;
class MivWinController;
class QAction;
class QMenu;
class QMenuBar;

namespace plat {
struct SortDescriptor;
}

// The main menu: its View, Sort By and Go items mirror the active panel, its
// Tools menu is built from the user's tools, and a few commands belong to the
// application as a whole (preferences, empty trash, settings transfer). Each
// action's objectName is the command's name and its data the item's tag;
// the pair names the item in stored menu shortcuts. Commands that other parts
// of the window carry out are announced by commandTriggered and change
// nothing here. GUI thread only; the menu bar owns the menus.
class MivMainMenu : public QObject
{
    Q_OBJECT

public:
    // Item tags.
    enum Tag : int {
        SortByName = 0, SortByExtension = 1, SortByDate = 2, SortBySize = 3, SortByPerms = 4,
        SortAscending = 201, SortDescending = 202,
        ViewTypeFirst = 450, ViewTypeLast = 453,
        CommandLine = 85, PathBar = 86, DriveBar = 87, TabBar = 88,
        SideBar = 91, StatusBar = 92, HiddenFiles = 93, InfoPanel = 94, ActionBar = 95,
        PlaceFirst = 220, PlaceNetwork = 228, GoBack = 230, GoForward = 231,
    };

    // The notification that asks the window to open an item in the active
    // panel; its object is the item.
    static const QString kFilesTableContextNeedChangeNotification;

    // The controller gives the active and opposite panels; it may be null
    // (then the panel-dependent commands do nothing).
    MivMainMenu(QMenuBar* menuBar, MivWinController* controller, QObject* parent = nullptr);
    ~MivMainMenu() override;

    // The action with that command name and tag; null when none.
    QAction* action(const QString& name, int tag = 0) const;
    QMenu* toolsMenu() const { return m_toolsMenu; }
    QMenu* viewMenu() const { return m_viewMenu; }
    QMenu* goMenu() const { return m_goMenu; }
    QMenu* sortByMenu() const { return m_sortByMenu; }
    // The Tools menu's items, one per tool in list order.
    QList<QAction*> toolActions() const;
    QList<QAction*> topLevelItems() const;
    MivMenuShortcuts& shortcuts() { return m_shortcuts; }

    // Rebuilds the Tools menu and the window's tool buttons from the
    // settings' tools; the menu is hidden without any.
    void updateToolsMenu();
    // A tool button of the window was pressed: runs its tool.
    void toolbarButtonAction(const MivToolbarButton* button);
    // Runs a tool with the active panel as source and the opposite as target.
    void executeDefAction(const MivToolDef& def);

    // Mirrors of the active panel (null: no panel).
    void updateFlatStateForPanel(const MivFilesViewController* panel);
    void updateOnlySelectedState(bool onlySelected);
    void updateViewState(int viewType);
    void sortDescriptorUpdated(const std::optional<plat::SortDescriptor>& descriptor);
    void setPrevEnabled(bool enabled);
    void setNextEnabled(bool enabled);
    void goBack();
    void goForward();
    // Ticks the floating-window item while the main window stays on top;
    // the window calls it when it changes its level.
    void updateFloatingMenu();

    // Titles of the View menu's show/hide items by the current state; run
    // each time the menu opens.
    void updateViewTitles();
    // Fills the Go menu's places once, the first time it opens.
    void fillPlaces();

    // Asks, then empties the trash when the answer is YES.
    void emptyTrash();
    void showPreferencesDialog();

    // Stored menu shortcuts reach the live menu (start-up).
    void reloadShortcuts() { m_shortcuts.reloadShortcuts(topLevelItems()); }

Q_SIGNALS:
    // A command of another part of the window: its name and tag.
    void commandTriggered(const QString& name, int tag);
    // The Tools menu and the tool buttons were rebuilt.
    void toolsChanged();
    void preferencesRequested();

private:
    QAction* addItem(QMenu* menu, const QString& title, const char* name, int tag = 0, bool checkable = false);
    void buildFileMenu(QMenuBar* menuBar);
    void buildViewMenu(QMenuBar* menuBar);
    void buildGoMenu(QMenuBar* menuBar);
    void gotoPathExecuted(QAction* item);
    void showFlatFilesStructure(QAction* item);
    void selectFilesView(QAction* item);
    std::optional<MivToolPanelSelection> selectionOf(MivFilesViewController* panel) const;
    MivFilesViewController* activePanel() const;
    MivFilesViewController* opositePanel() const;

    QPointer<MivWinController> m_controller;
    QPointer<QMenuBar> m_menuBar;
    QMenu* m_viewMenu = nullptr;
    QMenu* m_sortByMenu = nullptr;
    QMenu* m_goMenu = nullptr;
    QMenu* m_toolsMenu = nullptr;
    bool m_backEnabled = false;
    bool m_nextEnabled = false;
    MivMenuShortcuts m_shortcuts;
};
