#pragma once

#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariant>

#include <utility>

namespace plat {

// One coded object of a keyed archive: its class name and its keys in the
// order they were written. Values are property-list values (QString, bool,
// qint64, quint64, double, QByteArray, QDateTime, QVariantList, QVariantMap),
// the tagged values (null QVariant, QUrl, plat::Color, plat::FontDescription,
// plat::SortDescriptor) or nested ArchivedObjects. Trees only: no sharing.
struct ArchivedObject
{
    QString className;
    QList<std::pair<QString, QVariant>> entries;

    // The value stored under key, or nullptr when the key is not there.
    const QVariant* find(const QString& key) const
    {
        for (const auto& entry : entries) {
            if (entry.first == key)
                return &entry.second;
        }
        return nullptr;
    }

    bool operator==(const ArchivedObject& other) const = default;
};

} // namespace plat

Q_DECLARE_METATYPE(plat::ArchivedObject)
