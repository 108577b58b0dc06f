#include "platform/KeyedArchiver.h"

namespace plat {

KeyedArchiver::KeyedArchiver(QString className)
{
    m_object.className = std::move(className);
}

void KeyedArchiver::encodeBool(const QString& key, bool value)
{
    set(key, QVariant(value));
}

void KeyedArchiver::encodeInt32(const QString& key, qint32 value)
{
    set(key, QVariant(qint64(value)));
}

void KeyedArchiver::encodeInt64(const QString& key, qint64 value)
{
    set(key, QVariant(value));
}

void KeyedArchiver::encodeDouble(const QString& key, double value)
{
    set(key, QVariant(value));
}

void KeyedArchiver::encodeObject(const QString& key, const QVariant& value)
{
    if (value.metaType().id() == QMetaType::QString && value.toString().isNull()) {
        set(key, QVariant());
        return;
    }
    set(key, value);
}

void KeyedArchiver::encodeObject(const QString& key, const ArchivedObject& value)
{
    set(key, QVariant::fromValue(value));
}

void KeyedArchiver::set(const QString& key, QVariant value)
{
    for (auto& entry : m_object.entries) {
        if (entry.first == key) {
            entry.second = std::move(value);
            return;
        }
    }
    m_object.entries.append({key, std::move(value)});
}

} // namespace plat
