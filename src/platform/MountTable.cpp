#include "platform/MountTable.h"

#include "platform/Error.h"
#include "platform/Path.h"
#include "platform/ReadAll.h"
#include "platform/PosixError.h"

#include <fcntl.h>
#include <unistd.h>

#include <sys/sysmacros.h>

namespace plat {

namespace {

bool parseInt(QByteArrayView text, int* value)
{
    bool ok = false;
    *value = text.toInt(&ok);
    return ok && *value >= 0;
}

bool parseDevice(QByteArrayView text, dev_t* device)
{
    const qsizetype colon = text.indexOf(':');
    if (colon <= 0)
        return false;
    bool okMajor = false;
    bool okMinor = false;
    const uint major = text.first(colon).toUInt(&okMajor);
    const uint minor = text.sliced(colon + 1).toUInt(&okMinor);
    if (!okMajor || !okMinor)
        return false;
    *device = makedev(major, minor);
    return true;
}

} // namespace

QString MountTable::unescapeField(QByteArrayView field)
{
    QByteArray bytes;
    bytes.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '\\' && i + 3 < field.size()) {
            const QByteArrayView digits = field.sliced(i + 1, 3);
            bool ok = digits.size() == 3;
            int value = 0;
            for (char d : digits) {
                ok = ok && d >= '0' && d <= '7';
                value = value * 8 + (d - '0');
            }
            if (ok && value <= 0xFF) {
                bytes.append(char(value));
                i += 3;
                continue;
            }
        }
        bytes.append(c);
    }
    return Path::fromNative(bytes);
}

QList<MountEntry> MountTable::parse(QByteArrayView text)
{
    QList<MountEntry> entries;
    const QByteArray bytes(text.data(), text.size());
    for (const QByteArray& line : bytes.split('\n')) {
        // id parent major:minor root mount-point options [optional…] - type source super-options
        QList<QByteArray> owned;
        for (const QByteArray& field : line.split(' ')) {
            if (!field.isEmpty())
                owned.append(field);
        }
        const qsizetype separator = owned.indexOf(QByteArray("-"));
        if (separator < 6 || owned.size() < separator + 3)
            continue;
        MountEntry entry;
        if (!parseInt(owned[0], &entry.mountId) || !parseInt(owned[1], &entry.parentId)
            || !parseDevice(owned[2], &entry.device))
            continue;
        entry.root = unescapeField(owned[3]);
        entry.mountPoint = unescapeField(owned[4]);
        if (!entry.mountPoint.startsWith(QLatin1Char('/')))
            continue;
        entry.options = QString::fromLatin1(owned[5]);
        entry.fsType = unescapeField(owned[separator + 1]);
        entry.source = unescapeField(owned[separator + 2]);
        if (owned.size() > separator + 3)
            entry.superOptions = unescapeField(owned[separator + 3]);
        entries.append(std::move(entry));
    }
    return entries;
}

std::optional<QList<MountEntry>> MountTable::read(const QString& procRoot, Error* error)
{
    const QString path = procRoot + QStringLiteral("/self/mountinfo");
    const int fd = Path::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        Error::assign(error, errorFromErrno(errno, FileAccess::Reading, path));
        return std::nullopt;
    }
    QByteArray text;
    const int err = readAll(fd, &text);
    ::close(fd);
    if (err != 0) {
        Error::assign(error, errorFromErrno(err, FileAccess::Reading, path));
        return std::nullopt;
    }
    return parse(text);
}

QString MountTable::option(const QString& options, QLatin1StringView key)
{
    for (QStringView item : QStringView(options).split(QLatin1Char(','))) {
        if (item.size() > key.size() && item.startsWith(key) && item[key.size()] == QLatin1Char('='))
            return item.sliced(key.size() + 1).toString();
    }
    return {};
}

} // namespace plat
