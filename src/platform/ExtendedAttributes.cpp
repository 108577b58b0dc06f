#include "platform/ExtendedAttributes.h"

#include "platform/Path.h"

#include <cerrno>
#include <sys/xattr.h>

namespace plat {

namespace {

// Another writer may change the value between asking its size and reading
// it; a few rounds settle any ordinary race.
constexpr int kReadAttempts = 4;

ssize_t readInto(const QByteArray& path, const char* name, void* buffer, size_t size, ExtendedAttributes::Links links)
{
    return links == ExtendedAttributes::Links::Follow ? ::getxattr(path.constData(), name, buffer, size)
                                                      : ::lgetxattr(path.constData(), name, buffer, size);
}

} // namespace

QByteArray ExtendedAttributes::value(const QString& path, const char* name, Links links, const CallSite& where)
{
    assertBlockingAllowed(where);
    if (!Path::isNameable(path)) {
        errno = EINVAL;
        return QByteArray();
    }
    const QByteArray native = Path::toNative(path);
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        const ssize_t size = readInto(native, name, nullptr, 0, links);
        if (size < 0)
            return QByteArray();
        QByteArray value(qsizetype(size), Qt::Uninitialized);
        const ssize_t read = readInto(native, name, value.data(), size_t(size), links);
        if (read >= 0) {
            value.truncate(read);
            // An empty value is present, unlike a missing one.
            return value.isNull() ? QByteArray("") : value;
        }
        if (errno != ERANGE)
            return QByteArray();
    }
    return QByteArray();
}

int ExtendedAttributes::set(const QString& path, const char* name, const QByteArray& value, Links links,
                            const CallSite& where)
{
    assertBlockingAllowed(where);
    if (!Path::isNameable(path)) {
        errno = EINVAL;
        return -1;
    }
    const QByteArray native = Path::toNative(path);
    return links == Links::Follow
               ? ::setxattr(native.constData(), name, value.constData(), size_t(value.size()), 0)
               : ::lsetxattr(native.constData(), name, value.constData(), size_t(value.size()), 0);
}

int ExtendedAttributes::remove(const QString& path, const char* name, Links links, const CallSite& where)
{
    assertBlockingAllowed(where);
    if (!Path::isNameable(path)) {
        errno = EINVAL;
        return -1;
    }
    const QByteArray native = Path::toNative(path);
    return links == Links::Follow ? ::removexattr(native.constData(), name)
                                  : ::lremovexattr(native.constData(), name);
}

} // namespace plat
