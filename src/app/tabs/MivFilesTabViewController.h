#pragma once

#include "FileData/MivFileDataTypes.h"

#include <QString>
#include <QVariantMap>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class IMivContextEntryController;
class MivContextEntry;
class MivFileTabViewItem;
class MivFilesViewController;
class QStackedWidget;

// One side of the main window ("left" or "right"): its tabs, each holding one
// file panel, shown one at a time in a stack of pages. The side's saved state
// lives in its MivContextEntry. Lives on the GUI thread.
class MivFilesTabViewController : public QWidget
{
    Q_OBJECT

public:
    using TabItemPtr = std::shared_ptr<MivFileTabViewItem>;
    using TabCompletion = std::function<void(const TabItemPtr& tab)>;

    explicit MivFilesTabViewController(QWidget* parent = nullptr);
    ~MivFilesTabViewController() override;

    void setIdentifier(const QString& ident);
    QString identifier() const { return m_ident; }

    // Not owned. Makes this container the entry's controller while it lives.
    void setEntry(const std::shared_ptr<MivContextEntry>& entry);
    std::shared_ptr<MivContextEntry> entry() const { return m_entry.lock(); }

    // The page stack that holds one page per tab, in tab order.
    QStackedWidget* tabView() const { return m_tabView; }

    // --- Tabs ---
    // Opens the folder in a new tab at the index (negative: at the end) and
    // answers the tab; null when no tab could be made.
    virtual TabItemPtr openTabForData(const MivFileDataPtr& data, const QString& context, int index, bool sync,
                                      TabCompletion completionHandler);

    // Shows the folder in a tab's panel and focuses the entry whose path key
    // is the selection (empty: none). The data context is a saved location
    // of a remote folder. Answers the panel used.
    virtual MivFilesViewController* changeFilesPanelForData(const MivFileDataPtr& data, const QString& selection,
                                                            const std::optional<QVariantMap>& dataContext);
    virtual MivFilesViewController* changeFilesPanelForData(const MivFileDataPtr& data, const TabItemPtr& tab,
                                                            const QString& selection,
                                                            const std::optional<QVariantMap>& dataContext);
    virtual void changeFilesPanel(MivFilesViewController* panel, const MivFileDataPtr& data, const QString& selection,
                                  const std::optional<QVariantMap>& dataContext);
    virtual void changeFilesPanel(MivFilesViewController* panel, const MivFileDataPtr& data, const TabItemPtr& tab,
                                  const QString& selection, const std::optional<QVariantMap>& dataContext);

    // A hard-locked tab keeps its folder: a change of folder for its panel
    // goes to a new tab, which is answered; null when the panel's tab is free.
    virtual TabItemPtr handleLockedTab(MivFilesViewController* panel, const MivFileDataPtr& data);

    // Orders the quick-filter panel out; callable from any thread.
    void hideSearchPanel();

    // --- Queries ---
    // The selected tab's panel; null without tabs.
    virtual MivFilesViewController* activePanel() const;
    void requestFocusToActivePanel();
    bool isTabBarHidden() const;
    bool isDriveBarHidden() const;
    bool isPathBarHidden() const;

    // --- Life cycle ---
    // Writes the side's state into its entry.
    virtual void saveState();
    // Closes every tab's panel at quit.
    virtual void shutdown();

private:
    QString m_ident;
    std::weak_ptr<MivContextEntry> m_entry;
    // The entry holds this weakly, so it clears itself when the side goes.
    std::shared_ptr<IMivContextEntryController> m_entryController;
    QStackedWidget* m_tabView = nullptr;
};
