#include "app/files-table/MivFilesTableColumn.h"

#include "app/panel/MivFilesTableDataController.h"

#include <QCoreApplication>

namespace {

using Kind = MivFilesTableColumn::CellKind;
using Comparison = plat::SortDescriptor::Comparison;

struct Default
{
    const char* title;
    Kind kind;
    double width;
    bool hidden;
    Comparison comparison;
};

// Titles, cells and widths of the model's columns, in its order. The name
// column starts wide; the less common attributes start hidden.
constexpr Default kDefaults[] = {
    {QT_TRANSLATE_NOOP("MivFilesTableColumn", "Name"), Kind::Name, 260, false, Comparison::LocalizedStandard},
    {QT_TRANSLATE_NOOP("MivFilesTableColumn", "Ext"), Kind::Text, 50, false, Comparison::LocalizedStandard},
    {QT_TRANSLATE_NOOP("MivFilesTableColumn", "Date"), Kind::Date, 170, false, Comparison::Default},
    {QT_TRANSLATE_NOOP("MivFilesTableColumn", "Size"), Kind::Size, 80, false, Comparison::Default},
    {QT_TRANSLATE_NOOP("MivFilesTableColumn", "Attributes"), Kind::Perms, 90, false, Comparison::Default},
    {QT_TRANSLATE_NOOP("MivFilesTableColumn", "Date Added"), Kind::Date, 130, true, Comparison::Default},
    {QT_TRANSLATE_NOOP("MivFilesTableColumn", "Kind"), Kind::Text, 120, true, Comparison::LocalizedStandard},
    {QT_TRANSLATE_NOOP("MivFilesTableColumn", "Created"), Kind::Date, 130, true, Comparison::Default},
    {QT_TRANSLATE_NOOP("MivFilesTableColumn", "Last Opened"), Kind::Date, 130, true, Comparison::Default},
    {QT_TRANSLATE_NOOP("MivFilesTableColumn", "Status Changed"), Kind::Date, 130, true, Comparison::Default},
    {QT_TRANSLATE_NOOP("MivFilesTableColumn", "Owner"), Kind::Text, 80, true, Comparison::LocalizedStandard},
    {QT_TRANSLATE_NOOP("MivFilesTableColumn", "Group"), Kind::Text, 80, true, Comparison::LocalizedStandard},
};

} // namespace

const QList<MivFilesTableColumn>& MivFilesTableColumn::defaultColumns()
{
    static const QList<MivFilesTableColumn> columns = [] {
        const QStringList& ids = MivFilesTableDataController::columnIds();
        const QStringList& keys = MivFilesTableDataController::columnKeys();
        Q_ASSERT(ids.size() == qsizetype(std::size(kDefaults)));
        QList<MivFilesTableColumn> list;
        for (qsizetype i = 0; i < ids.size() && i < qsizetype(std::size(kDefaults)); ++i) {
            const Default& d = kDefaults[i];
            list.append({ids.at(i), QCoreApplication::translate("MivFilesTableColumn", d.title), d.kind, d.width,
                         d.hidden, plat::SortDescriptor{keys.at(i), true, d.comparison}});
        }
        return list;
    }();
    return columns;
}
