#pragma once

// Path conversion at the system-call boundary for the few callers in this
// folder that need it before the shared path codec is in the tree.
// TO BE REPLACED by plat::Path::toNative / plat::Path::fromFileUrl: every
// caller goes through these two functions so the swap is one edit.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QUrl>

namespace miv_detail {

inline QByteArray nativePath(const QString& path)
{
    return QFile::encodeName(path);
}

// The bytes of a file URL's path: the percent-decoding of its encoded form,
// so names that are not UTF-8 arrive unchanged.
inline QByteArray nativePathOfFileUrl(const QUrl& url)
{
    if (!url.isLocalFile())
        return {};
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
}

} // namespace miv_detail
