#pragma once

#include "FileData/MivFileDataOpener.h"
#include "app/controls/IMivSplitViewListener.h"
#include "app/window/IMivMainWindowDelegate.h"
#include "platform/NotificationToken.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <vector>

class IMivVolumeInfo;
class MivCollapsibleSplitView;
class MivFilesTabViewController;
class MivFilesViewController;
class MivMainWindow;
class MivProgressIndicator;
struct MivToolDef;
class MivToolbarButton;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QToolBar;
class QWidget;

// Controller of the main window: builds the window (the sidebar slot and
// both sides in split views, then the command line, action bar and status
// bar as rows), tracks the active panel, carries out the window's control
// keys, keeps the status bar and toolbar in step with the active panel, and
// keeps the window's state in the settings context. One per process, owned
// by the application delegate; GUI thread only (notification handlers that
// run elsewhere hop to it).
class MivWinController : public QObject,
                         public MivFileDataOpener,
                         private IMivSplitViewListener,
                         private IMivMainWindowDelegate
{
    Q_OBJECT

public:
    // Makes one side; tests hand in stand-ins for the sides' later parts.
    using SideFactory = std::function<MivFilesTabViewController*(QWidget* parent)>;

    // General-store keys of the window's state.
    static const QString kActiveLeftSideKey;
    static const QString kCommandLineHistoryKey;
    // Fixed heights of the rows under the panels.
    static constexpr int kStatusBarHeight = 28;
    static constexpr int kActionBarHeight = 30;
    static constexpr int kCommandLineHeight = 33;

    explicit MivWinController(SideFactory sideFactory = {});
    ~MivWinController() override;

    MivMainWindow* window() const;
    void showWindow();

    MivFilesTabViewController* leftController() const { return m_left; }
    MivFilesTabViewController* rightController() const { return m_right; }

    // --- The active panel, derived on every request ---
    MivFilesViewController* activePanel() const;
    MivFilesViewController* lastActiveTable() const;
    MivFilesViewController* opositePanel() const;
    MivFilesViewController* opositePanelFor(const MivFilesViewController* panel) const;
    // The side holding the active panel; without one, the side that last held
    // the focus, else the right side.
    MivFilesTabViewController* activeTabPanel() const;
    MivFilesTabViewController* opositeTabPanel() const;
    // A panel of either side became the focus: it becomes the active one.
    void filesComponentActivated(MivFilesViewController* panel);
    // Makes the candidate active when it is a side's panel (else none) and
    // tells the observers.
    void tryUpdateActivePanel(MivFilesViewController* candidate);

    // --- Control keys (the user info of the panel's notification) ---
    void tableControlKeyPressed(const QVariantMap& userInfo);
    // The window's own targets; they answer neutrally until their parts exist.
    void goUpFolder();
    void showHiddenFiles();
    bool checkRemove() const;
    void deleteFile();
    void openSelectedInTargetPanel(bool left);
    // The hidden-files control follows the panel's side.
    void updateHiddenControl(MivFilesViewController* panel);

    // --- Panel notifications ---
    // The active panel's focused item changed: the status bar shows it. Late
    // news of an item the panel has moved away from is ignored.
    void fileSelectionChanged(const MivFileDataPtr& item);
    // Controls that depend on the panel, when it is the active one.
    void doUpdatePanelUI(MivFilesViewController* panel, bool updateSpace);
    // The panel's quick filter changed: the toolbar's field follows the active panel.
    void tableFilterChanged(MivFilesViewController* panel);
    // Opens the folder in the active side and focuses its panel; a place that
    // cannot be opened as a folder is refused with an error.
    void changeContextForActiveTable(const MivFileDataPtr& item);
    // A network place was connected: it gets a tab in the active side and,
    // as a copy that never asks for credentials, a row in the network root.
    void addNetObjectView(const MivFileDataPtr& item);

    // --- Status bar ---
    struct SpaceInfo
    {
        double level = 0.0;
        QString text;
    };
    // Level and caption for a volume record; none gives the empty level and "---".
    static SpaceInfo spaceInfoFor(const IMivVolumeInfo* volume);
    void updateSpaceInfo(MivFilesViewController* panel);
    QLabel* contextPath() const { return m_contextPath; }
    MivProgressIndicator* levelProgress() const { return m_levelProgress; }

    // --- Layout ---
    MivCollapsibleSplitView* mainSplitView() const { return m_mainSplitView; }
    MivCollapsibleSplitView* filesSplit() const { return m_filesSplit; }
    QWidget* commandLine() const { return m_commandLine; }
    QWidget* actionBar() const { return m_actionBar; }
    QWidget* statusBar() const { return m_statusBar; }
    QComboBox* commandLineComboField() const { return m_commandLineComboField; }
    // Brings sidebar, sides and bars to the settings.
    void restructureWithAnimation(bool animate);
    // Sides and orientation only; answers whether the orientation changed.
    bool restructureFilesViewWithAnimation(bool animate);
    bool isLeftPanelCollapsed() const;
    bool isRightPanelCollapsed() const;
    void collapseOrExpandLeftPanelWithAnimation(bool animate);
    void collapseOrExpandRightPanelWithAnimation(bool animate);
    // The side split changed width: the panels' name columns take the change.
    void filesSplitWidthChanged(int newWidth);
    // The share of a width change each panel's name column takes: the
    // active one's first. The opposite one gets none while the tables keep
    // their settings in step (it follows the active one).
    static std::pair<double, double> nameColumnShares(double delta, double activeWidth, double opositeWidth,
                                                      bool sideBySide, bool synchronised);

    // --- Toolbar ---
    QToolBar* mainToolbar() const { return m_mainToolbar; }
    // One of the toolbar's named controls ("cpyControl", "hiddenControl", ...).
    QAction* toolbarControl(const QString& name) const { return m_controls.value(name); }
    QLineEdit* searchField() const { return m_searchField; }
    // The user tools' buttons, one per definition in list order; pressing
    // one emits toolbarButtonTriggered.
    void removeAllToolbarItems();
    void addToolbarItemForDefinition(const MivToolDef& definition);
    QStringList toolbarAllowedItemIdentifiers() const;
    // The button of the first tool with that name; null when no tool has it.
    QAction* toolbarItemForIdentifier(const QString& identifier);
    // Enables the controls from the action state holder, for the active panel.
    void updateControls(MivFilesViewController* panel);

    // --- Shortcuts ---
    // Applies the user's menu shortcuts. Callable from any thread: menu
    // actions change on the GUI thread only.
    using ShortcutApplier = std::function<void(MivMainWindow* window)>;
    static void setShortcutApplier(ShortcutApplier applier);
    void reloadShortcuts();

    // --- Start and quit ---
    // Once the window is on screen: focuses the side that was active at the last quit.
    void started();
    // Writes the window's state into the settings context (at quit, before shutdown).
    void saveState();
    // Closes both sides, left then right.
    void shutdown();

    void setColumnSizeAdjusterDisabled(bool disabled) { m_columnSizeAdjusterDisabled = disabled; }
    bool columnSizeAdjusterDisabled() const { return m_columnSizeAdjusterDisabled; }

    // The command line's remembered entries, newest last.
    QStringList commandLineHistory() const;
    void setCommandLineHistory(const QStringList& history);

    // MivFileDataOpener
    void openFile(const MivFileDataPtr& file, qint32 forOperation) override;
    void openFileFor(qint32 operation) override;

Q_SIGNALS:
    // A tool's toolbar button was pressed; the main menu runs its tool.
    void toolbarButtonTriggered(MivToolbarButton* button);

private:
    MivFilesTabViewController* makeSide(const QString& ident, QWidget* parent);
    void buildContent();
    void buildToolbar();
    void installNotificationHandlers();
    void sideFocused(QWidget* now);
    MivFilesViewController* panelForObject(const void* object) const;
    void closeFilesTable(const void* removedPlace);
    void updateContextPath(MivFilesViewController* panel);
    // IMivMainWindowDelegate
    bool closeQuickViewPanel() override;
    // Runs the work on the GUI thread: at once when called there.
    void onGuiThread(std::function<void()> work);
    void collapseOrExpandDone(MivCollapsibleSplitView* splitView) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void applyDividerStyle();

    SideFactory m_sideFactory;
    std::unique_ptr<MivMainWindow> m_window;
    MivCollapsibleSplitView* m_mainSplitView = nullptr;
    MivCollapsibleSplitView* m_filesSplit = nullptr;
    QWidget* m_sidebarSlot = nullptr;
    QWidget* m_commandLine = nullptr;
    QComboBox* m_commandLineComboField = nullptr;
    QWidget* m_actionBar = nullptr;
    QWidget* m_statusBar = nullptr;
    QProgressBar* m_spinner = nullptr;
    QLabel* m_contextPath = nullptr;
    MivProgressIndicator* m_levelProgress = nullptr;
    QToolBar* m_mainToolbar = nullptr;
    QLineEdit* m_searchField = nullptr;
    QHash<QString, QAction*> m_controls;
    QList<MivToolbarButton*> m_customToolbarItems;
    MivFilesTabViewController* m_left = nullptr;
    MivFilesTabViewController* m_right = nullptr;
    QPointer<MivFilesViewController> m_activeTable;
    QPointer<MivFilesViewController> m_lastActiveTable;
    // The side that last held the focus, for sides without panels.
    QPointer<MivFilesTabViewController> m_focusedSide;
    int m_filesSplitWidth = 0;
    bool m_columnSizeAdjusterDisabled = false;
    std::vector<plat::NotificationToken> m_observers;
};
