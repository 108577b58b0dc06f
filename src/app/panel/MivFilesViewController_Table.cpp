#include "app/panel/MivFilesViewController.h"

#include "FileData/MivFileData.h"
#include "app/files-table/MivEditTextField.h"
#include "app/files-table/MivFilesTableColumnsHandler.h"
#include "app/files-table/MivFilesTableView.h"
#include "app/panel/MivFilesTableDataController.h"
#include "app/settings/MivContextEntry.h"

#include <QScopedValueRollback>

// The panel's side of its list view: the view is made on first use and asks
// the panel for keys, focus reactions and its column configuration.

MivFilesTableView* MivFilesViewController::filesTable()
{
    if (m_filesTable)
        return m_filesTable;
    auto* table = new MivFilesTableView();
    table->setDataController(m_arrayController.get());
    table->setViewDataSource(this);
    table->setTableDelegate(this);
    // The handler is the view's child: it goes with the view.
    new MivFilesTableColumnsHandler(table, this);
    m_filesTable = table;
    return table;
}

const void* MivFilesViewController::tabContainer() const
{
    const auto entry = m_entry.lock();
    return entry ? entry->controller().get() : nullptr;
}

void MivFilesViewController::applyColumnConfiguration(const QVariantMap& configuration)
{
    MivFilesTableView* table = filesTable();
    {
        const QScopedValueRollback guard(m_inSynchronization, true);
        table->applyConfiguration(configuration, m_arrayController.get());
    }
    resolveHiddenColumnsForLoading();
    m_arrayController->updateSorters();
    m_arrayController->rearrangeObjects();
    table->viewport()->update();
}

void MivFilesViewController::updateColumnBindings()
{
    if (m_filesTable)
        m_filesTable->updateColumnBindings(m_arrayController.get());
}

QSet<QString> MivFilesViewController::hiddenColumnsForLoading() const
{
    return m_filesTable ? m_filesTable->hiddenColumnsForLoading() : QSet<QString>{};
}

void MivFilesViewController::resolveHiddenColumnsForLoading()
{
    // The lazy row loading reads hiddenColumnsForLoading() when it runs; a
    // column shown again needs its values, which a refresh brings.
    if (m_filesTable && !m_inSynchronization)
        m_filesTable->viewport()->update();
}

void MivFilesViewController::sortDescriptorUpdated(const std::optional<plat::SortDescriptor>&)
{
    // The application's sort marks belong to the main window, which reads
    // the active panel's order when it shows its menu.
}

void MivFilesViewController::tableViewSelectionDidChange(MivFilesTableView*)
{
    updateTotalDataView();
    scheduleSelectionHandling();
}

bool MivFilesViewController::shouldEditTableColumn(MivFilesTableView*, const QString& columnId, int row)
{
    const MivFileDataPtr item = m_arrayController->dataObjectAtIndex(row);
    return item && !item->isUpFolderData() && columnId == QLatin1String("kol_name");
}

void MivFilesViewController::prepareEditor(MivEditTextField* editor, int row)
{
    if (const MivFileDataPtr item = m_arrayController->dataObjectAtIndex(row))
        editor->setText(item->name());
}

void MivFilesViewController::setObjectValue(const QString&, int)
{
    // Renaming from the table arrives with the rename work.
}
