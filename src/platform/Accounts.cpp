#include "platform/Accounts.h"

#include "platform/Path.h"

#include <QFile>

#include <grp.h>
#include <pwd.h>

#include <mutex>

namespace plat {

namespace {

// The databases' iteration state is process-wide: one walk at a time.
std::mutex& walkMutex()
{
    static std::mutex mutex;
    return mutex;
}

struct IdRange
{
    quint32 min = 1000;
    quint32 max = 60000;
};

// UID_MIN/UID_MAX (or GID_MIN/GID_MAX) of login.defs, read once.
IdRange readRange(const QByteArray& minKey, const QByteArray& maxKey)
{
    IdRange range;
    QFile defs(QStringLiteral("/etc/login.defs"));
    if (!defs.open(QIODevice::ReadOnly))
        return range;
    for (const QByteArray& raw : defs.readAll().split('\n')) {
        const QList<QByteArray> fields = raw.simplified().split(' ');
        if (fields.size() < 2)
            continue;
        bool ok = false;
        const quint32 value = fields.at(1).toUInt(&ok);
        if (ok && fields.at(0) == minKey)
            range.min = value;
        else if (ok && fields.at(0) == maxKey)
            range.max = value;
    }
    return range;
}

bool isSystemId(quint32 id, const IdRange& range) { return id != 0 && (id < range.min || id > range.max); }

} // namespace

QList<Accounts::Account> Accounts::users()
{
    QList<Account> accounts;
    std::lock_guard lock(walkMutex());
    ::setpwent();
    while (const struct passwd* entry = ::getpwent()) {
        const QString gecos = Path::fromNative(entry->pw_gecos ? entry->pw_gecos : "");
        accounts.append({Path::fromNative(entry->pw_name), quint32(entry->pw_uid), gecos.section(QLatin1Char(','), 0, 0)});
    }
    ::endpwent();
    return accounts;
}

QList<Accounts::Account> Accounts::groups()
{
    QList<Account> accounts;
    std::lock_guard lock(walkMutex());
    ::setgrent();
    while (const struct group* entry = ::getgrent())
        accounts.append({Path::fromNative(entry->gr_name), quint32(entry->gr_gid), QString()});
    ::endgrent();
    return accounts;
}

bool Accounts::isSystemUser(quint32 uid)
{
    static const IdRange range = readRange("UID_MIN", "UID_MAX");
    return isSystemId(uid, range);
}

bool Accounts::isSystemGroup(quint32 gid)
{
    static const IdRange range = readRange("GID_MIN", "GID_MAX");
    return isSystemId(gid, range);
}

} // namespace plat
