#pragma once

#include "app/files-table/MivFilesTableHeaderViewDelegate.h"
#include "platform/SortDescriptor.h"

#include <QList>
#include <QObject>

class IMivFilesTableColumnsHost;
class MivFilesTableView;
class QAction;

// The panel's side of its list view's columns: the header's column menu,
// showing and hiding a column from it, and telling the tab container when
// columns move, change width or the sort order changes, so it saves the
// configuration. A new sort key may need the listing again; a new direction
// never does.
class MivFilesTableColumnsHandler : public QObject, public MivFilesTableHeaderViewDelegate
{
    Q_OBJECT

public:
    static const QString kColumnMovedNotification;
    static const QString kColumnResizedNotification;
    static const QString kColumnHiddenNotification;
    static const QString kSortChangedNotification;

    // Observes the view and becomes its header's delegate; the host outlives it.
    MivFilesTableColumnsHandler(MivFilesTableView* view, IMivFilesTableColumnsHost* host);

    void tabHeaderView(MivFilesTableHeaderView* header, QMenu* menu, QContextMenuEvent* event) override;
    // Shows or hides the item's column.
    void headerMenuClicked(QAction* item);
    void sortDescriptorsDidChange(const QList<plat::SortDescriptor>& oldDescriptors);

private:
    void postColumnNotification(const QString& name);

    MivFilesTableView* m_view;
    IMivFilesTableColumnsHost* m_host;
};
