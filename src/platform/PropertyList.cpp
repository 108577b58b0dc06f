#include "platform/PropertyList.h"

#include <QDateTime>
#include <QTimeZone>

#include <plist/plist.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace plat {

namespace {

// Seconds from 1970 to the property lists' reference date, 2001-01-01.
constexpr qint64 kReferenceDateOffset = 978307200;

struct PlistFree
{
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};

QString stringOf(plist_t node)
{
    // By pointer and length: plist_get_string_val asserts on a NUL inside.
    uint64_t length = 0;
    const char* raw = plist_get_string_ptr(node, &length);
    return raw ? QString::fromUtf8(raw, qsizetype(strnlen(raw, size_t(length)))) : QString();
}

std::optional<QVariant> valueOf(plist_t node, int depth)
{
    if (!node || depth > PropertyList::kMaxDepth)
        return std::nullopt;
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        return QVariant(b != 0);
    }
    case PLIST_UINT: {
        uint64_t u = 0;
        plist_get_uint_val(node, &u);
        return QVariant(qint64(u));
    }
    case PLIST_UID: {
        uint64_t u = 0;
        plist_get_uid_val(node, &u);
        return QVariant(qint64(u));
    }
    case PLIST_REAL: {
        double d = 0;
        plist_get_real_val(node, &d);
        return QVariant(d);
    }
    case PLIST_STRING:
    case PLIST_KEY:
        return QVariant(stringOf(node));
    case PLIST_DATA: {
        char* raw = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &raw, &length);
        QByteArray bytes(raw, qsizetype(length));
        free(raw);
        return QVariant(bytes);
    }
    case PLIST_DATE: {
        int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        const qint64 ms = (qint64(sec) + kReferenceDateOffset) * 1000 + usec / 1000;
        return QVariant(QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc()));
    }
    case PLIST_ARRAY: {
        QVariantList list;
        const uint32_t size = plist_array_get_size(node);
        for (uint32_t i = 0; i < size; ++i) {
            auto value = valueOf(plist_array_get_item(node, i), depth + 1);
            if (!value)
                return std::nullopt;
            list.append(std::move(*value));
        }
        return QVariant(list);
    }
    case PLIST_DICT: {
        QVariantMap map;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        const auto freeIterator = std::unique_ptr<void, decltype(&free)>(it, &free);
        for (;;) {
            char* rawKey = nullptr;
            plist_t child = nullptr;
            plist_dict_next_item(node, it, &rawKey, &child);
            const auto freeKey = std::unique_ptr<char, decltype(&free)>(rawKey, &free);
            if (!child)
                break;
            auto value = valueOf(child, depth + 1);
            if (!value)
                return std::nullopt;
            map.insert(QString::fromUtf8(rawKey ? rawKey : ""), std::move(*value));
        }
        return QVariant(map);
    }
    default:
        return std::nullopt;
    }
}

} // namespace

std::optional<QVariant> PropertyList::fromData(const QByteArray& data)
{
    if (data.isEmpty() || data.size() > qsizetype(UINT32_MAX))
        return std::nullopt;
    plist_t raw = nullptr;
    if (plist_is_binary(data.constData(), uint32_t(data.size())))
        plist_from_bin(data.constData(), uint32_t(data.size()), &raw);
    else
        plist_from_xml(data.constData(), uint32_t(data.size()), &raw);
    if (!raw)
        return std::nullopt;
    const std::unique_ptr<void, PlistFree> root(raw);
    return valueOf(raw, 0);
}

} // namespace plat
