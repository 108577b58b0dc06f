#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <mutex>

// The few values that live in the user defaults rather than in the settings
// archive (recent quick-filter searches, …): one XML property list,
// $XDG_CONFIG_HOME/MIVO/pl.olmi.Mivo.plist, read on first use and written
// whole (atomically) on every change. Values are texts, numbers, booleans
// and lists of texts. Any thread.
class MivUserDefaults
{
public:
    static MivUserDefaults& standardUserDefaults();

    QVariant objectForKey(const QString& key) const;
    QStringList stringArrayForKey(const QString& key) const;
    void setObject(const QVariant& value, const QString& forKey);
    void removeObjectForKey(const QString& key);

    static QString pathForDefaultsFile();
    // Forgets what was read, so the next access reads the file again.
    void resetForTesting();

private:
    MivUserDefaults() = default;
    void loadIfNeeded() const;  // lock held
    void save() const;          // lock held

    mutable std::mutex _lock;
    mutable bool _loaded = false;    // guarded by _lock
    mutable QVariantMap _values;     // guarded by _lock
};
