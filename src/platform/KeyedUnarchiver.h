#pragma once

#include "platform/ArchivedObject.h"

namespace plat {

// Reads one coded object's keys. A missing key, or a value of another kind
// than asked for, answers the neutral value (false, 0, invalid QVariant):
// archives come from disk and may hold anything.
class KeyedUnarchiver
{
public:
    explicit KeyedUnarchiver(ArchivedObject object);

    const QString& className() const { return m_object.className; }
    // True also for a key that holds the absent object.
    bool containsValueForKey(const QString& key) const;

    bool decodeBool(const QString& key) const;
    qint32 decodeInt32(const QString& key) const;
    qint64 decodeInt64(const QString& key) const;
    double decodeDouble(const QString& key) const;
    QVariant decodeObject(const QString& key) const;
    // A nested coded object of that class, or nullopt.
    std::optional<ArchivedObject> decodeObjectOfClass(const QString& key, const QString& className) const;

    // Number values of an object (bool, integer or real), as the platform's
    // number objects convert; nullopt when the value is no number.
    static std::optional<qint64> integerValue(const QVariant& value);
    static std::optional<quint64> unsignedValue(const QVariant& value);
    static bool isNumber(const QVariant& value);

    const ArchivedObject& object() const { return m_object; }

private:
    ArchivedObject m_object;
};

} // namespace plat
