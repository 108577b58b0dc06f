// Columns, their configuration dictionary, the sort order and the table's
// preferences.
#include "app/files-table/MivFilesTableView.h"

#include "app/files-table/MivDateCellDelegate.h"
#include "app/files-table/MivFilesTableHeaderView.h"
#include "app/files-table/MivPermsCellDelegate.h"
#include "app/files-table/MivSizeCellDelegate.h"
#include "FileData/Formatters/MivDateFormatter.h"
#include "FileData/Formatters/MivFileSizeFormatter.h"
#include "FileData/Formatters/MivPermsFormatter.h"
#include "app/panel/MivFilesTableDataController.h"
#include "app/settings/MivContext.h"
#include "platform/Color.h"

#include <QApplication>
#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace {

const QString kCols = QStringLiteral("cols");
const QString kSort = QStringLiteral("sort");
const QString kIdx = QStringLiteral("idx");
const QString kWdh = QStringLiteral("wdh");
const QString kHdn = QStringLiteral("hdn");
const QString kKey = QStringLiteral("key");
const QString kAsc = QStringLiteral("asc");
const QString kDta = QStringLiteral("dta");
const QString kNameColumn = QStringLiteral("kol_name");
const QString kExtColumn = QStringLiteral("kol_ext");

std::optional<plat::SortDescriptor> descriptorIn(const QVariant& value)
{
    if (value.metaType() != QMetaType::fromType<plat::SortDescriptor>())
        return std::nullopt;
    return value.value<plat::SortDescriptor>();
}

// A colour of the settings' colour scheme: a plain colour or a named system
// colour, resolved against the view's palette now.
QColor schemeColor(const QVariantMap& colors, const QString& key, const QPalette& palette)
{
    const QVariant value = colors.value(key);
    if (value.metaType() == QMetaType::fromType<plat::Color>())
        return value.value<plat::Color>().resolved(palette);
    if (value.metaType() == QMetaType::fromType<QColor>())
        return value.value<QColor>();
    return {};
}

} // namespace

int MivFilesTableView::columnForIdentifier(const QString& identifier) const
{
    for (qsizetype i = 0; i < m_columns.size(); ++i) {
        if (m_columns.at(i).identifier == identifier)
            return int(i);
    }
    return -1;
}

QString MivFilesTableView::identifierForColumn(int logicalIndex) const
{
    return logicalIndex >= 0 && logicalIndex < m_columns.size() ? m_columns.at(logicalIndex).identifier : QString();
}

void MivFilesTableView::setColumnTitle(const QString& identifier, const QString& title)
{
    const int column = columnForIdentifier(identifier);
    if (column < 0)
        return;
    m_columns[column].title = title;
    m_header->setSectionTitle(column, title);
}

QString MivFilesTableView::columnTitle(int logicalIndex) const
{
    return logicalIndex >= 0 && logicalIndex < m_columns.size() ? m_columns.at(logicalIndex).title : QString();
}

void MivFilesTableView::setSortDescriptorPrototype(const QString& identifier, const plat::SortDescriptor& prototype)
{
    const int column = columnForIdentifier(identifier);
    if (column >= 0)
        m_columns[column].sortDescriptorPrototype = prototype;
}

// --- Configuration ---

QVariantMap MivFilesTableView::columnConfiguration() const
{
    QVariantMap cols;
    for (qsizetype i = 0; i < m_columns.size(); ++i) {
        const bool hidden = m_header->isSectionHidden(int(i));
        cols.insert(m_columns.at(i).identifier,
                    QVariantMap{{kIdx, QVariant::fromValue<quint64>(quint64(m_header->visualIndex(int(i))))},
                                {kHdn, hidden},
                                {kWdh, hidden ? m_columns.at(i).width : double(m_header->sectionSize(int(i)))}});
    }
    QVariantMap configuration{{kCols, cols}};
    if (m_sortData) {
        configuration.insert(kSort, QVariantMap{{kKey, m_sortData->key},
                                                {kAsc, m_sortData->ascending},
                                                {kDta, QVariant::fromValue(*m_sortData)}});
    }
    return configuration;
}

void MivFilesTableView::applyConfiguration(const QVariantMap& configuration, MivFilesTableDataController* controller)
{
    const auto colsEntry = configuration.constFind(kCols);
    if (colsEntry == configuration.constEnd())
        return;

    struct Entry
    {
        int column;
        qint64 index;
        QVariantMap values;
    };
    std::vector<Entry> entries;
    const QVariantMap cols = colsEntry->toMap();
    for (auto it = cols.constBegin(); it != cols.constEnd(); ++it) {
        const int column = columnForIdentifier(it.key());
        if (column < 0)
            continue;
        const QVariantMap values = it.value().toMap();
        entries.push_back({column, values.value(kIdx).toLongLong(), values});
    }
    // Each move shifts the sections between its ends; placing the columns
    // in ascending target order never disturbs one already placed, whatever
    // order the dictionary yields its keys in.
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.index < b.index; });

    for (const Entry& entry : entries) {
        const int last = m_header->count() - 1;
        const int to = int(std::clamp<qint64>(entry.index, 0, qMax(0, last)));
        const int from = m_header->visualIndex(entry.column);
        if (from >= 0 && from != to)
            m_header->moveSection(from, to);
        if (entry.values.contains(kWdh)) {
            const double width = entry.values.value(kWdh).toDouble();
            if (width > 0) {
                m_columns[entry.column].width = width;
                m_header->resizeSection(entry.column, int(std::lround(width)));
            }
        }
        const bool hidden = entry.values.value(kHdn).toBool();
        if (hidden != m_header->isSectionHidden(entry.column)) {
            m_header->setSectionHidden(entry.column, hidden);
            if (!hidden)
                m_header->resizeSection(entry.column, int(std::lround(m_columns.at(entry.column).width)));
            m_columns[entry.column].hidden = hidden;
            if (controller && m_columns.at(entry.column).identifier == kExtColumn)
                updateColumnBindings(controller);
        }
    }

    const auto sortEntry = configuration.constFind(kSort);
    if (sortEntry == configuration.constEnd())
        return;
    const QVariantMap sort = sortEntry->toMap();
    const std::optional<plat::SortDescriptor> data = descriptorIn(sort.value(kDta));
    if (data && m_sortData && *m_sortData == *data)
        return;
    const QString key = sort.value(kKey).toString();
    plat::SortDescriptor descriptor{key, sort.value(kAsc).toBool(), plat::SortDescriptor::Comparison::Default};
    if (data) {
        descriptor.comparison = data->comparison;
    } else if (const auto prototype = sortDescriptorForSortKey(key)) {
        descriptor.comparison = prototype->comparison;
    }
    setSortDescriptors({descriptor});
}

void MivFilesTableView::updateColumnBindings(MivFilesTableDataController* controller)
{
    Q_UNUSED(controller);
    const int ext = columnForIdentifier(kExtColumn);
    if (ext < 0 || columnForIdentifier(kNameColumn) < 0)
        return;
    // Names carry their extension exactly when no column shows it apart.
    m_nameBindingKey = m_header->isSectionHidden(ext) ? QStringLiteral("name") : QStringLiteral("displayName");
    viewport()->update();
}

// --- Sort order ---

int MivFilesTableView::columnForSortKey(const QString& key) const
{
    if (key.isNull())
        return -1;
    for (int visual = 0; visual < m_header->count(); ++visual) {
        const int logical = m_header->logicalIndex(visual);
        if (logical >= 0 && logical < m_columns.size() && m_columns.at(logical).sortDescriptorPrototype.key == key)
            return logical;
    }
    return -1;
}

std::optional<plat::SortDescriptor> MivFilesTableView::sortDescriptorForSortKey(const QString& key) const
{
    const int column = columnForSortKey(key);
    if (column < 0)
        return std::nullopt;
    return m_columns.at(column).sortDescriptorPrototype;
}

void MivFilesTableView::setSortDescriptors(const QList<plat::SortDescriptor>& descriptors)
{
    const QList<plat::SortDescriptor> old = m_sortDescriptors;
    m_sortDescriptors = descriptors;
    m_sortData = descriptors.isEmpty() ? std::nullopt : std::optional(descriptors.first());
    const int column = m_sortData ? columnForSortKey(m_sortData->key) : -1;
    m_header->setSortIndicator(column, m_sortData && !m_sortData->ascending ? Qt::DescendingOrder : Qt::AscendingOrder);
    if (m_controller)
        m_controller->setSortDescriptors(descriptors);
    Q_EMIT sortDescriptorsChanged(old);
}

bool MivFilesTableView::sortByColumnWithName(const QString& identifier)
{
    const int column = columnForIdentifier(identifier);
    if (identifier.isNull() || column < 0)
        return false;
    const plat::SortDescriptor& prototype = m_columns.at(column).sortDescriptorPrototype;
    if (m_sortData && m_sortData->key == prototype.key)
        return changeSortOrder(m_sortData->ascending ? 1 : 0);
    setSortDescriptors({prototype});
    return true;
}

bool MivFilesTableView::changeSortOrder(int order)
{
    if (!m_sortData || (order != 0 && order != 1))
        return false;
    setSortDescriptors({plat::SortDescriptor{m_sortData->key, order == 0, m_sortData->comparison}});
    return true;
}

QSet<QString> MivFilesTableView::hiddenColumnsForLoading() const
{
    // Columns whose values the lazy loading brings in, with the property it loads.
    static const QList<std::pair<QString, QString>> lazyColumns = {
        {QStringLiteral("kol_attr"), QStringLiteral("perms")},
        {QStringLiteral("kol_added_date"), QStringLiteral("addedDate")},
        {QStringLiteral("kol_kind"), QStringLiteral("type")},
        {QStringLiteral("kol_crt_date"), QStringLiteral("creationDate")},
        {QStringLiteral("kol_last_acc"), QStringLiteral("lastAccessDate")},
        {QStringLiteral("kol_stat_date"), QStringLiteral("stateChangeDate")},
        {QStringLiteral("kol_owner"), QStringLiteral("owner")},
        {QStringLiteral("kol_group"), QStringLiteral("group")},
    };
    QSet<QString> hidden;
    for (const auto& [identifier, property] : lazyColumns) {
        const int column = columnForIdentifier(identifier);
        if (column >= 0 && m_header->isSectionHidden(column))
            hidden.insert(property);
    }
    return hidden;
}

void MivFilesTableView::updateNameColumnSize(double delta)
{
    const int column = columnForIdentifier(kNameColumn);
    if (column < 0)
        return;
    const double width = qMax(1.0, m_columns.at(column).width + delta);
    m_columns[column].width = width;
    m_header->resizeSection(column, int(std::lround(width)));
}

void MivFilesTableView::headerClicked(int logicalIndex)
{
    if (logicalIndex < 0 || logicalIndex >= m_columns.size())
        return;
    sortByColumnWithName(m_columns.at(logicalIndex).identifier);
}

// --- Preferences ---

void MivFilesTableView::updatePreferences()
{
    const auto context = MivContext::context();
    const bool alternate = context->alternate();

    const plat::SortDescriptor namePrototype = context->caseSensitiveNameSortDescriptorForColumn(QStringLiteral("name"));
    setSortDescriptorPrototype(kNameColumn, namePrototype);
    if (m_sortData && m_sortData->key == QLatin1String("name"))
        setSortDescriptors({plat::SortDescriptor{namePrototype.key, m_sortData->ascending, namePrototype.comparison}});

    const QVariantMap colors = context->colors();
    const QColor background = schemeColor(colors, QStringLiteral("bgColor"), palette());
    setStandardBackgroundColor(background.isValid() ? background : palette().color(QPalette::Base));
    setAlternateBackgroundColor(alternate ? schemeColor(colors, QStringLiteral("bg2Color"), palette()) : QColor());

    m_gridMask = (context->showVerticalGrid() ? 1 : 0) | (context->showHorizontalGrid() ? 2 : 0);
    setShowGrid(m_gridMask != 0);
}

void MivFilesTableView::updateFontPreferences()
{
    const auto context = MivContext::context();
    QFont font;
    const QString family = context->fontName();
    const double size = context->fontSize().toDouble();
    if (!family.isEmpty() && MivContext::fontExists(family) && size > 0) {
        font = QFont(family);
        font.setPointSizeF(size);
    } else {
        // The system font at the size of small controls.
        font = QApplication::font();
        font.setPointSizeF(11);
    }
    setFont(font);
    const int margin = int(context->tableRowHeightMargin());
    const int rowHeight = int(std::ceil(QFontMetricsF(font).lineSpacing())) + 2 * margin;
    verticalHeader()->setDefaultSectionSize(qMax(1, rowHeight));

    MivSizeCellDelegate::sharedFormatter().reinit();
    MivDateCellDelegate::sharedFormatter().reinit();
    MivPermsCellDelegate::sharedFormatter().reinit();
    viewport()->update();
}
