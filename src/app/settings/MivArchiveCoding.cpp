#include "app/settings/MivArchiveCoding.h"

#include "app/colors/MivColorDef.h"
#include "app/panel/MivFavsEntryData.h"
#include "app/settings/MivShortcutEntry.h"
#include "app/tools/MivToolDef.h"

#include <QVariantList>
#include <QVariantMap>

namespace {

template<typename T>
QVariant decoded(const plat::ArchivedObject& object)
{
    if (auto value = T::initWithCoder(object))
        return QVariant::fromValue(*value);
    return QVariant::fromValue(object);
}

} // namespace

QVariant MivArchiveCoding::toArchive(const QVariant& value)
{
    const QMetaType type = value.metaType();
    if (type.id() == QMetaType::QVariantList) {
        QVariantList list;
        for (const QVariant& item : value.toList())
            list.append(toArchive(item));
        return list;
    }
    if (type.id() == QMetaType::QVariantMap) {
        QVariantMap map = value.toMap();
        for (auto it = map.begin(); it != map.end(); ++it)
            it.value() = toArchive(it.value());
        return map;
    }
    if (type == QMetaType::fromType<MivColorDef>())
        return QVariant::fromValue(value.value<MivColorDef>().encodeWithCoder());
    if (type == QMetaType::fromType<MivToolDef>())
        return QVariant::fromValue(value.value<MivToolDef>().encodeWithCoder());
    if (type == QMetaType::fromType<MivFavsEntryData>())
        return QVariant::fromValue(value.value<MivFavsEntryData>().encodeWithCoder());
    if (type == QMetaType::fromType<MivShortcutEntry>())
        return QVariant::fromValue(value.value<MivShortcutEntry>().encodeWithCoder());
    return value;
}

QVariant MivArchiveCoding::fromArchive(const QVariant& value)
{
    const QMetaType type = value.metaType();
    if (type.id() == QMetaType::QVariantList) {
        QVariantList list;
        for (const QVariant& item : value.toList())
            list.append(fromArchive(item));
        return list;
    }
    if (type.id() == QMetaType::QVariantMap) {
        QVariantMap map = value.toMap();
        for (auto it = map.begin(); it != map.end(); ++it)
            it.value() = fromArchive(it.value());
        return map;
    }
    if (type != QMetaType::fromType<plat::ArchivedObject>())
        return value;
    const auto object = value.value<plat::ArchivedObject>();
    if (object.className == QLatin1String(MivColorDef::kClassName))
        return decoded<MivColorDef>(object);
    if (object.className == QLatin1String(MivToolDef::kClassName))
        return decoded<MivToolDef>(object);
    if (object.className == QLatin1String(MivFavsEntryData::kClassName))
        return decoded<MivFavsEntryData>(object);
    if (object.className == QLatin1String(MivShortcutEntry::kClassName))
        return decoded<MivShortcutEntry>(object);
    return value;
}
