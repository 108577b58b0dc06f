#include "app/files-table/MivFilesTableColumnsHandler.h"

#include "FileData/MivFileData.h"
#include "app/files-table/IMivFilesTableColumnsHost.h"
#include "app/files-table/MivFilesTableHeaderView.h"
#include "app/files-table/MivFilesTableView.h"
#include "app/files-table/MivSmallMenuItem.h"
#include "app/panel/MivFilesTableDataController.h"
#include "platform/NotificationCenter.h"

#include <QMenu>

const QString MivFilesTableColumnsHandler::kColumnMovedNotification = QStringLiteral("FilesTableColumnMoved");
const QString MivFilesTableColumnsHandler::kColumnResizedNotification = QStringLiteral("FilesTableColumnResized");
const QString MivFilesTableColumnsHandler::kColumnHiddenNotification = QStringLiteral("FilesTableColumnHidden");
const QString MivFilesTableColumnsHandler::kSortChangedNotification = QStringLiteral("FilesTableSortChangedNotification");

MivFilesTableColumnsHandler::MivFilesTableColumnsHandler(MivFilesTableView* view, IMivFilesTableColumnsHost* host)
    : QObject(view), m_view(view), m_host(host)
{
    view->filesHeader()->setDelegate(this);
    connect(view, &MivFilesTableView::columnMoved, this, [this] { postColumnNotification(kColumnMovedNotification); });
    connect(view, &MivFilesTableView::columnResized, this,
            [this] { postColumnNotification(kColumnResizedNotification); });
    connect(view, &MivFilesTableView::sortDescriptorsChanged, this,
            &MivFilesTableColumnsHandler::sortDescriptorsDidChange);
}

void MivFilesTableColumnsHandler::postColumnNotification(const QString& name)
{
    const void* container = m_host->tabContainer();
    if (container && !m_host->inSynchronization())
        plat::NotificationCenter::defaultCenter().post(name, container);
}

void MivFilesTableColumnsHandler::tabHeaderView(MivFilesTableHeaderView* header, QMenu* menu, QContextMenuEvent*)
{
    for (int visual = 0; visual < header->count(); ++visual) {
        const int column = header->logicalIndex(visual);
        const QString title = m_view->columnTitle(column).trimmed();
        // Columns titled "_…" are not the user's to hide.
        if (title.startsWith(QLatin1Char('_')))
            continue;
        auto* item = new MivSmallMenuItem(title, menu);
        item->setData(m_view->identifierForColumn(column));
        item->setChecked(!header->isSectionHidden(column));
        connect(item, &QAction::triggered, this, [this, item] { headerMenuClicked(item); });
        menu->addAction(item);
    }
}

void MivFilesTableColumnsHandler::headerMenuClicked(QAction* item)
{
    const QString identifier = item->data().toString();
    const int column = m_view->columnForIdentifier(identifier);
    if (column < 0)
        return;
    const bool hidden = !m_view->isColumnHidden(column);
    m_view->setColumnHidden(column, hidden);
    if (identifier == QLatin1String("kol_ext"))
        m_host->updateColumnBindings();
    m_host->resolveHiddenColumnsForLoading();
    const void* container = m_host->tabContainer();
    if (!container)
        return;
    // A column shown again has no lazy values loaded yet.
    if (!hidden)
        m_host->reloadPanel();
    plat::NotificationCenter::defaultCenter().post(kColumnHiddenNotification, container);
}

void MivFilesTableColumnsHandler::sortDescriptorsDidChange(const QList<plat::SortDescriptor>& oldDescriptors)
{
    const std::optional<plat::SortDescriptor> now = m_view->sortData();
    const std::optional<plat::SortDescriptor> old =
        oldDescriptors.isEmpty() ? std::nullopt : std::optional(oldDescriptors.first());
    if (now && old && *now == *old)
        return;
    if (m_host->isActivePanel())
        m_host->sortDescriptorUpdated(now);
    const bool inWindow = m_view->window() != m_view || m_view->isVisible();
    if (now && inWindow && !(old && old->key == now->key)) {
        // The first item after the parent-folder row tells whether the
        // listing has the new key's values.
        MivFilesTableDataController* controller = m_view->dataController();
        const MivFileDataPtr item = controller ? controller->dataObjectAtIndex(1) : nullptr;
        if (item && item->refreshForSortDescriptor(now))
            m_host->refreshPanel();
    }
    const void* container = m_host->tabContainer();
    if (!m_host->inSynchronization() && container && now && inWindow)
        plat::NotificationCenter::defaultCenter().post(kSortChangedNotification, container);
}
