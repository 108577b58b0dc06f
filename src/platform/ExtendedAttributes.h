#pragma once

#include "platform/BlockingAllowed.h"

#include <QByteArray>
#include <QString>

namespace plat {

// Extended attributes of a file, through the path codec of Path: a path that
// cannot be named to the kernel fails with EINVAL, like the Path wrappers.
// Links::Follow acts on the target of a symbolic link (getxattr and kin),
// Links::Entry on the entry itself (lgetxattr and kin). Failures leave errno
// set. They may block, so debug builds report a call on the main thread.
class ExtendedAttributes
{
public:
    enum class Links { Follow, Entry };

    ExtendedAttributes() = delete;

    // The value of the attribute; "" (not null) for an empty value, null
    // when it is absent or cannot be read (errno tells which: ENODATA when
    // absent). A value that keeps changing size between asking its size and
    // reading it gives up after a few tries with ERANGE.
    static QByteArray value(const QString& path, const char* name, Links links,
                            const CallSite& where = CallSite::current());
    // Writes the attribute, creating or replacing it; 0 or -1.
    static int set(const QString& path, const char* name, const QByteArray& value, Links links,
                   const CallSite& where = CallSite::current());
    // Removes the attribute; 0 or -1 (ENODATA when it was absent).
    static int remove(const QString& path, const char* name, Links links,
                      const CallSite& where = CallSite::current());
};

} // namespace plat
