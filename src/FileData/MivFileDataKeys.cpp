#include "FileData/MivFileDataKeys.h"

#include "FileData/MivFileData.h"
#include "platform/Collator.h"

#include <QtEndian>

#include <array>
#include <limits>

namespace {

qint64 dateValue(const QDateTime& date)
{
    return date.isValid() ? date.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min();
}

// Getters are stateless lambdas so the table stays a constant array.
const std::array<MivFileDataKeys::Entry, 20> kEntries = {{
    {"name", MivFileDataKeys::ValueKind::Text, [](const MivFileData& i) { return i.name(); }, nullptr},
    {"displayName", MivFileDataKeys::ValueKind::Text, [](const MivFileData& i) { return i.displayName(); }, nullptr},
    {"extenssion", MivFileDataKeys::ValueKind::Text, [](const MivFileData& i) { return i.extenssion(); }, nullptr},
    {"type", MivFileDataKeys::ValueKind::Text, [](const MivFileData& i) { return i.type(); }, nullptr},
    {"utiType", MivFileDataKeys::ValueKind::Text, [](const MivFileData& i) { return i.utiType(); }, nullptr},
    {"owner", MivFileDataKeys::ValueKind::Text, [](const MivFileData& i) { return i.owner(); }, nullptr},
    {"group", MivFileDataKeys::ValueKind::Text, [](const MivFileData& i) { return i.group(); }, nullptr},
    {"pathKey", MivFileDataKeys::ValueKind::Text, [](const MivFileData& i) { return i.pathKey(); }, nullptr},
    {"folderNameSortKey", MivFileDataKeys::ValueKind::Text, [](const MivFileData& i) { return i.folderNameSortKey(); },
     nullptr},
    {"size", MivFileDataKeys::ValueKind::Number, nullptr, [](const MivFileData& i) { return i.size(); }},
    {"physicalSize", MivFileDataKeys::ValueKind::Number, nullptr, [](const MivFileData& i) { return i.physicalSize(); }},
    {"sortKey", MivFileDataKeys::ValueKind::Number, nullptr, [](const MivFileData& i) { return qint64(i.sortKey()); }},
    {"perms", MivFileDataKeys::ValueKind::Number, nullptr,
     [](const MivFileData& i) { return i.posix().value_or(std::numeric_limits<qint64>::min()); }},
    {"labelNumber", MivFileDataKeys::ValueKind::Number, nullptr,
     [](const MivFileData& i) { return i.labelNumber().value_or(0); }},
    {"modificationDate", MivFileDataKeys::ValueKind::Date, nullptr,
     [](const MivFileData& i) { return dateValue(i.modificationDate()); }},
    {"creationDate", MivFileDataKeys::ValueKind::Date, nullptr,
     [](const MivFileData& i) { return dateValue(i.creationDate()); }},
    {"lastAccessDate", MivFileDataKeys::ValueKind::Date, nullptr,
     [](const MivFileData& i) { return dateValue(i.lastAccessDate()); }},
    {"addedDate", MivFileDataKeys::ValueKind::Date, nullptr,
     [](const MivFileData& i) { return dateValue(i.addedDate()); }},
    {"stateChangeDate", MivFileDataKeys::ValueKind::Date, nullptr,
     [](const MivFileData& i) { return dateValue(i.stateChangeDate()); }},
    {"folder", MivFileDataKeys::ValueKind::Number, nullptr, [](const MivFileData& i) { return qint64(i.folder()); }},
}};

} // namespace

const MivFileDataKeys::Entry* MivFileDataKeys::entryForKey(const QString& key)
{
    QStringView name(key);
    if (name.startsWith(QLatin1String("self.")))
        name = name.mid(5);
    for (const Entry& entry : kEntries) {
        if (name == QLatin1String(entry.key))
            return &entry;
    }
    return nullptr;
}

QVariant MivFileDataKeys::valueForKey(const MivFileData& item, const QString& key)
{
    const Entry* entry = entryForKey(key);
    if (!entry)
        return {};
    switch (entry->kind) {
    case ValueKind::Text:
        return entry->text(item);
    case ValueKind::Number:
        return entry->number(item);
    case ValueKind::Date: {
        const qint64 value = entry->number(item);
        if (value == std::numeric_limits<qint64>::min())
            return {};
        return QDateTime::fromMSecsSinceEpoch(value, Qt::UTC);
    }
    }
    return {};
}

QByteArray MivFileDataKeys::textSortKey(const QString& text, plat::SortDescriptor::Comparison comparison)
{
    using Comparison = plat::SortDescriptor::Comparison;
    if (comparison == Comparison::LocalizedStandard)
        return plat::Collator::localizedStandard().sortKey(text);
    // Big-endian code units compare bytewise as QString::compare compares.
    const QString source = comparison == Comparison::Default ? text.normalized(QString::NormalizationForm_D) : text;
    QByteArray key(source.size() * 2, Qt::Uninitialized);
    auto* out = reinterpret_cast<uchar*>(key.data());
    for (qsizetype i = 0; i < source.size(); ++i)
        qToBigEndian<quint16>(source.at(i).unicode(), out + 2 * i);
    return key;
}

QByteArray MivFileDataKeys::numberSortKey(qint64 value)
{
    QByteArray key(8, Qt::Uninitialized);
    qToBigEndian<quint64>(quint64(value) ^ (quint64(1) << 63), key.data());
    return key;
}

QByteArray MivFileDataKeys::sortKey(const MivFileData& item, const plat::SortDescriptor& descriptor)
{
    const Entry* entry = entryForKey(descriptor.key);
    if (!entry)
        return {};
    if (entry->kind == ValueKind::Text)
        return textSortKey(entry->text(item), descriptor.comparison);
    return numberSortKey(entry->number(item));
}
