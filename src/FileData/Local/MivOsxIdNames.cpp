#include "FileData/Local/MivOsxIdNames.h"

#include <QHash>

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <shared_mutex>
#include <vector>

namespace {

// Names by id, asked from the databases once per id. The databases may
// block (NSS over the network), so they are asked outside the lock.
class IdTable
{
public:
    using Lookup = QString (*)(quint32);
    explicit IdTable(Lookup lookup) : _lookup(lookup) {}

    // Index 0: the bare name; index 1: "name (id)".
    std::pair<QString, QString> entry(quint32 id)
    {
        {
            std::shared_lock lock(_mutex);
            const auto found = _entries.constFind(id);
            if (found != _entries.cend())
                return *found;
        }
        const QString name = _lookup(id);
        std::pair<QString, QString> made{name, QStringLiteral("%1 (%2)").arg(name).arg(id)};
        std::unique_lock lock(_mutex);
        // A racing thread may have stored it first: keep that one, so every
        // item shares one string.
        return *_entries.insert(id, _entries.value(id, made));
    }

private:
    Lookup _lookup;
    std::shared_mutex _mutex;
    QHash<quint32, std::pair<QString, QString>> _entries;
};

long bufferSize(int name)
{
    const long size = ::sysconf(name);
    return size > 0 ? size : 16384;
}

QString lookUpUser(quint32 uid)
{
    std::vector<char> buffer(size_t(bufferSize(_SC_GETPW_R_SIZE_MAX)));
    for (;;) {
        struct passwd entry {};
        struct passwd* found = nullptr;
        const int rc = ::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found);
        if (rc == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        return rc == 0 && found ? QString::fromUtf8(found->pw_name) : QString(QLatin1String(""));
    }
}

QString lookUpGroup(quint32 gid)
{
    std::vector<char> buffer(size_t(bufferSize(_SC_GETGR_R_SIZE_MAX)));
    for (;;) {
        struct group entry {};
        struct group* found = nullptr;
        const int rc = ::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found);
        if (rc == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        return rc == 0 && found ? QString::fromUtf8(found->gr_name) : QString(QLatin1String(""));
    }
}

IdTable& users()
{
    static IdTable table(&lookUpUser);
    return table;
}

IdTable& groups()
{
    static IdTable table(&lookUpGroup);
    return table;
}

} // namespace

QString MivOsxIdNames::userText(quint32 uid) { return users().entry(uid).second; }
QString MivOsxIdNames::groupText(quint32 gid) { return groups().entry(gid).second; }
QString MivOsxIdNames::userName(quint32 uid) { return users().entry(uid).first; }
QString MivOsxIdNames::groupName(quint32 gid) { return groups().entry(gid).first; }
