#include "platform/PropertyList.h"

#include <QDateTime>
#include <QTimeZone>

#include <plist/plist.h>

#include <cctype>
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

// A big-endian unsigned number of `size` bytes at `offset`; nullopt past the end.
std::optional<quint64> readUnsigned(const QByteArray& data, quint64 offset, quint64 size)
{
    if (size == 0 || size > 8 || offset > quint64(data.size()) || size > quint64(data.size()) - offset)
        return std::nullopt;
    quint64 value = 0;
    for (quint64 i = 0; i < size; ++i)
        value = value << 8 | quint8(data.at(qsizetype(offset + i)));
    return value;
}

// Binary lists: every string object is looked at (keys are string objects).
bool binaryMayHoldNulText(const QByteArray& data)
{
    constexpr quint64 kTrailerSize = 32;
    const quint64 size = quint64(data.size());
    if (size < 8 + kTrailerSize)
        return true;
    const quint64 trailer = size - kTrailerSize;
    const auto offsetSize = readUnsigned(data, trailer + 6, 1);
    const auto objectCount = readUnsigned(data, trailer + 8, 8);
    const auto tableOffset = readUnsigned(data, trailer + 24, 8);
    if (!offsetSize || !objectCount || !tableOffset || *offsetSize < 1 || *offsetSize > 8 || *tableOffset > size
        || *objectCount > (size - *tableOffset) / *offsetSize)
        return true;
    for (quint64 i = 0; i < *objectCount; ++i) {
        const auto offset = readUnsigned(data, *tableOffset + i * *offsetSize, *offsetSize);
        const auto marker = offset ? readUnsigned(data, *offset, 1) : std::nullopt;
        if (!marker)
            return true;
        const quint64 kind = *marker >> 4;
        if (kind != 0x5 && kind != 0x6)
            continue;
        quint64 count = *marker & 0xF;
        quint64 at = *offset + 1;
        if (count == 0xF) {
            const auto intMarker = readUnsigned(data, at, 1);
            if (!intMarker || (*intMarker >> 4) != 0x1 || (*intMarker & 0xF) > 3)
                return true;
            const quint64 intSize = quint64(1) << (*intMarker & 0xF);
            const auto length = readUnsigned(data, at + 1, intSize);
            if (!length)
                return true;
            count = *length;
            at += 1 + intSize;
        }
        const quint64 unit = kind == 0x5 ? 1 : 2;
        if (at > size || count > (size - at) / unit)
            return true;
        for (quint64 c = 0; c < count; ++c) {
            if (*readUnsigned(data, at + c * unit, unit) == 0)
                return true;
        }
    }
    return false;
}

// XML lists: a raw NUL, or a character reference to U+0000.
bool xmlMayHoldNulText(const QByteArray& data)
{
    if (data.contains('\0'))
        return true;
    for (qsizetype at = data.indexOf("&#"); at >= 0; at = data.indexOf("&#", at + 2)) {
        qsizetype i = at + 2;
        const bool hex = i < data.size() && (data.at(i) == 'x' || data.at(i) == 'X');
        if (hex)
            ++i;
        bool nonZeroDigit = false;
        bool anyDigit = false;
        for (; i < data.size() && (hex ? isxdigit(quint8(data.at(i))) : isdigit(quint8(data.at(i)))); ++i) {
            anyDigit = true;
            nonZeroDigit = nonZeroDigit || data.at(i) != '0';
        }
        if (anyDigit && !nonZeroDigit)
            return true;
    }
    return false;
}

} // namespace

bool PropertyList::mayHoldNulText(const QByteArray& data)
{
    if (plist_is_binary(data.constData(), uint32_t(qMin<qsizetype>(data.size(), UINT32_MAX))))
        return binaryMayHoldNulText(data);
    return xmlMayHoldNulText(data);
}

std::optional<QVariant> PropertyList::fromData(const QByteArray& data)
{
    if (data.isEmpty() || data.size() > qsizetype(UINT32_MAX) || mayHoldNulText(data))
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
