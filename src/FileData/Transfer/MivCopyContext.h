#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <mutex>

// The mutable dictionary shared by both sides of one copy (and handed to a
// reader's item as its transfer context). Back-ends keep what must outlive a
// single transfer in it, such as descriptors that carry locks. Each access
// takes the context's monitor; callers that need several steps at once hold
// monitor() themselves.
class MivCopyContext
{
public:
    static std::shared_ptr<MivCopyContext> create() { return std::make_shared<MivCopyContext>(); }

    QVariant value(const QString& key) const
    {
        std::lock_guard lock(m_monitor);
        return m_values.value(key);
    }
    void setValue(const QString& key, const QVariant& value)
    {
        std::lock_guard lock(m_monitor);
        m_values.insert(key, value);
    }
    void remove(const QString& key)
    {
        std::lock_guard lock(m_monitor);
        m_values.remove(key);
    }
    QVariantMap values() const
    {
        std::lock_guard lock(m_monitor);
        return m_values;
    }
    std::recursive_mutex& monitor() const { return m_monitor; }

private:
    mutable std::recursive_mutex m_monitor;
    QVariantMap m_values;
};
