#pragma once

#include "app/files-table/MivEditTextField.h"
#include "app/files-table/MivFilesTableColumn.h"
#include "platform/SortDescriptor.h"
#include "platform/TimerSource.h"

#include <QColor>
#include <QList>
#include <QPointer>
#include <QSet>
#include <QTableView>
#include <QVariantMap>

#include <optional>

class IFilesViewDataSource;
class IMivFilesTableViewDelegate;
class MivFilesTableDataController;
class MivFilesTableHeaderView;

// The list view of one file panel. It shows the panel's list model, keeps its
// highlighted row (the model's focus, one row; marks are not Qt's selection),
// hands keys and commands to the panel, decides when a click starts an
// in-place rename, applies and reports the column configuration, and draws
// the striped background down to its bottom edge.
//
// GUI thread only, except selectRow, which any thread may call.
class MivFilesTableView : public QTableView
{
    Q_OBJECT

public:
    static constexpr int kHighlightNone = -1;

    explicit MivFilesTableView(QWidget* parent = nullptr);
    ~MivFilesTableView() override;

    void setDataController(MivFilesTableDataController* controller);
    MivFilesTableDataController* dataController() const { return m_controller; }
    MivFilesTableHeaderView* filesHeader() const { return m_header; }

    void setViewDataSource(IFilesViewDataSource* source) { m_viewDataSource = source; }
    IFilesViewDataSource* viewDataSource() const { return m_viewDataSource; }
    void setTableDelegate(IMivFilesTableViewDelegate* delegate) { m_delegate = delegate; }
    IMivFilesTableViewDelegate* tableDelegate() const { return m_delegate; }

    // --- Columns (logical index = the model's column) ---
    const QList<MivFilesTableColumn>& columns() const { return m_columns; }
    int columnForIdentifier(const QString& identifier) const;
    QString identifierForColumn(int logicalIndex) const;
    void setColumnTitle(const QString& identifier, const QString& title);
    QString columnTitle(int logicalIndex) const;
    void setSortDescriptorPrototype(const QString& identifier, const plat::SortDescriptor& prototype);

    // --- Column configuration ---
    QVariantMap columnConfiguration() const;
    // Moves, sizes and hides the columns and sets the sort order as the
    // dictionary says; nothing without "cols". The controller, when given,
    // is the list model the name column is bound to again.
    void applyConfiguration(const QVariantMap& configuration, MivFilesTableDataController* controller);
    // The name column shows full names exactly when the extension column is hidden.
    void updateColumnBindings(MivFilesTableDataController* controller);
    QString nameBindingKey() const { return m_nameBindingKey; }

    // --- Sort order ---
    // Logical index of the first column, in column order, sorting by that key; -1 when none.
    int columnForSortKey(const QString& key) const;
    std::optional<plat::SortDescriptor> sortDescriptorForSortKey(const QString& key) const;
    void setSortDescriptors(const QList<plat::SortDescriptor>& descriptors);
    QList<plat::SortDescriptor> sortDescriptors() const { return m_sortDescriptors; }
    std::optional<plat::SortDescriptor> sortData() const { return m_sortData; }
    // The column's sort: its direction flips when the table already sorts by
    // the column's key, else the column's prototype. Answers whether the
    // order changed (the panel then reloads its thumbnails).
    bool sortByColumnWithName(const QString& identifier);
    // 0 ascending, 1 descending, on the current key; anything else, or no
    // current sort, changes nothing. Answers whether the order was set.
    bool changeSortOrder(int order);

    // The item properties of hidden lazily loaded columns ("owner", …),
    // which the lazy loading skips.
    QSet<QString> hiddenColumnsForLoading() const;
    // Widens the name column by delta points (narrows for a negative one).
    void updateNameColumnSize(double delta);

    // --- Moving the focused row ---
    void gotoElement(int index);
    void gotoRowByOffset(int offset);
    int pageSize() const;
    void pageMove(int direction);
    int selectedRow() const;
    // Highlights exactly that row (-1: none). From any thread; returns once done.
    void selectRowIndexes(int row);
    bool isRowNotHighlighted(int row) const;

    // --- Focus look ---
    void setHighlightStyle(int style);
    int highlightStyle() const { return m_highlightStyle; }
    void updateFirstRespIndicator();

    // --- Background ---
    void setStandardBackgroundColor(const QColor& color);
    QColor standardBackgroundColor() const { return m_standardBackground; }
    // Invalid: no stripes.
    void setAlternateBackgroundColor(const QColor& color);
    QColor alternateBackgroundColor() const { return m_alternateBackground; }

    // --- Preferences (the table's share of the panel's) ---
    void updatePreferences();
    void updateFontPreferences();
    int gridMask() const { return m_gridMask; }

    // --- In-place rename ---
    bool canRename() const { return m_canRename; }
    int lastClickedRow() const { return m_lastClickedRow; }
    void editRow(int row);
    MivEditTextField* currentEditor() const { return m_editor; }
    void abortEditing();
    void enableClickToRenameAfterDelay();

    // --- Commands the panel's menus reach the table by ---
    void copy();
    void cut();
    void paste();
    void selectAll() override;
    // Escape: ends an open edit; does nothing otherwise.
    void cancelOperation();

    // Type-to-select: the typed text gathers until the typing pauses for the
    // application's keyboard input interval; the panel picks the row.
    void keyboardSearch(const QString& search) override;
    // The row highlighted when the current typing began (-1: no typing).
    int typeSelectStartRow() const { return m_typeSelectText.isEmpty() ? -1 : m_typeSelectStartRow; }

Q_SIGNALS:
    // The first sort descriptor may have changed; the old descriptors.
    void sortDescriptorsChanged(const QList<plat::SortDescriptor>& oldDescriptors);
    void columnMoved();
    void columnResized();
    // The view rested 0.1 s after scrolling: the panel loads the visible rows.
    void scrollSettled();

protected:
    bool event(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void initViewItemOption(QStyleOptionViewItem* option) const override;
    void paintEvent(QPaintEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void installColumns();
    void headerClicked(int logicalIndex);
    void syncSelectionFromController(int row);
    void selectionRowChanged(const QModelIndex& current);
    void startRenameTimer(std::chrono::milliseconds delay, void (MivFilesTableView::*slot)());
    void renameByTimer();
    void enableClickToRenameByTimer();
    void finishEditing(bool commit);
    void paintStripes(const QRect& clip);
    int rowAtViewportY(int y) const;

    MivFilesTableDataController* m_controller = nullptr;  // not owned (the panel's)
    MivFilesTableHeaderView* m_header = nullptr;
    IFilesViewDataSource* m_viewDataSource = nullptr;  // not owned
    IMivFilesTableViewDelegate* m_delegate = nullptr;  // not owned
    QList<MivFilesTableColumn> m_columns;
    QString m_nameBindingKey = QStringLiteral("displayName");
    QList<plat::SortDescriptor> m_sortDescriptors;
    std::optional<plat::SortDescriptor> m_sortData;
    QColor m_standardBackground;
    QColor m_alternateBackground;
    int m_highlightStyle = kHighlightNone;
    int m_gridMask = 0;
    bool m_syncingSelection = false;
    bool m_applyingConfiguration = false;

    // Click-to-rename: one timer for either delay; starting one stops the other.
    bool m_canRename = false;
    int m_lastClickedRow = -1;
    plat::SingleShotTimer m_timer;
    plat::SingleShotTimer m_scrollTimer;
    QPointer<MivEditTextField> m_editor;
    int m_editedRow = -1;

    // Type-to-select: the text typed so far and the row highlighted when it began.
    QString m_typeSelectText;
    int m_typeSelectStartRow = 0;
    plat::SingleShotTimer m_typeSelectTimer;
};
