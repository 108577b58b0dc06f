#include "platform/KeyedUnarchiver.h"

#include <cmath>
#include <limits>

namespace plat {

KeyedUnarchiver::KeyedUnarchiver(ArchivedObject object)
    : m_object(std::move(object))
{
}

bool KeyedUnarchiver::containsValueForKey(const QString& key) const
{
    return m_object.find(key) != nullptr;
}

bool KeyedUnarchiver::isNumber(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

std::optional<qint64> KeyedUnarchiver::integerValue(const QVariant& value)
{
    if (!isNumber(value))
        return std::nullopt;
    if (value.metaType().id() == QMetaType::Double) {
        const double d = value.toDouble();
        // Out-of-range and NaN reals have no integer value; refuse them
        // rather than invoke undefined conversion.
        if (!std::isfinite(d) || d >= 9.2e18 || d <= -9.2e18)
            return std::nullopt;
        return qint64(d);
    }
    if (value.metaType().id() == QMetaType::ULongLong)
        return qint64(value.toULongLong());
    return value.toLongLong();
}

std::optional<quint64> KeyedUnarchiver::unsignedValue(const QVariant& value)
{
    if (value.metaType().id() == QMetaType::ULongLong)
        return value.toULongLong();
    const auto v = integerValue(value);
    if (!v)
        return std::nullopt;
    return quint64(*v);
}

bool KeyedUnarchiver::decodeBool(const QString& key) const
{
    const QVariant* v = m_object.find(key);
    if (!v)
        return false;
    const auto i = integerValue(*v);
    return i && *i != 0;
}

qint32 KeyedUnarchiver::decodeInt32(const QString& key) const
{
    const QVariant* v = m_object.find(key);
    if (!v)
        return 0;
    return qint32(integerValue(*v).value_or(0));
}

qint64 KeyedUnarchiver::decodeInt64(const QString& key) const
{
    const QVariant* v = m_object.find(key);
    if (!v)
        return 0;
    return integerValue(*v).value_or(0);
}

double KeyedUnarchiver::decodeDouble(const QString& key) const
{
    const QVariant* v = m_object.find(key);
    if (!v || !isNumber(*v))
        return 0;
    return v->toDouble();
}

QVariant KeyedUnarchiver::decodeObject(const QString& key) const
{
    const QVariant* v = m_object.find(key);
    return v ? *v : QVariant();
}

std::optional<ArchivedObject> KeyedUnarchiver::decodeObjectOfClass(const QString& key, const QString& className) const
{
    const QVariant* v = m_object.find(key);
    if (!v || !v->canConvert<ArchivedObject>() || v->metaType() != QMetaType::fromType<ArchivedObject>())
        return std::nullopt;
    ArchivedObject object = v->value<ArchivedObject>();
    if (object.className != className)
        return std::nullopt;
    return object;
}

} // namespace plat
