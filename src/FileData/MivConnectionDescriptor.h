#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <mutex>

// The connection descriptor of remote items: back-end settings that travel
// with an item, its children, its tab and its network place. One descriptor
// object is shared between them (a change made through one is seen by all),
// from whatever thread a back-end works on, so it keeps its own lock.
class MivConnectionDescriptor
{
public:
    MivConnectionDescriptor() = default;
    explicit MivConnectionDescriptor(QVariantMap values) : m_values(std::move(values)) {}

    QVariant value(const QString& key) const
    {
        std::lock_guard lock(m_mutex);
        return m_values.value(key);
    }
    void setValue(const QString& key, const QVariant& value)
    {
        std::lock_guard lock(m_mutex);
        m_values.insert(key, value);
    }
    void remove(const QString& key)
    {
        std::lock_guard lock(m_mutex);
        m_values.remove(key);
    }
    QVariantMap toMap() const
    {
        std::lock_guard lock(m_mutex);
        return m_values;
    }

private:
    mutable std::mutex m_mutex;
    QVariantMap m_values;
};

using MivConnectionDescriptorPtr = std::shared_ptr<MivConnectionDescriptor>;
