#include "FileData/Local/MivOsxFileData.h"

#include "FileData/Local/MivOsxFileDataCache.h"
#include "FileData/MivFileUtils.h"
#include "FileData/MivItemHooks.h"
#include "platform/Error.h"
#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/PathString.h"
#include "platform/PosixError.h"
#include "platform/Process.h"

#include <unistd.h>

#include <cerrno>
#include <vector>

void MivOsxFileData::findLinkTarget(const QString& path, const MivOsxFileAttributes& attributes)
{
    const QByteArray native = plat::Path::toNative(path);
    // The link's own size is its text's length; a link rewritten since the
    // status read may be longer, so grow until the text fits.
    std::vector<char> buffer(size_t(qBound<qint64>(64, attributes.size() + 1, qint64(1) << 16)));
    for (;;) {
        const ssize_t length = ::readlink(native.constData(), buffer.data(), buffer.size());
        if (length < 0)
            return;  // no text: the link keeps its flag and has no target
        if (size_t(length) < buffer.size()) {
            const QString text = plat::Path::fromNative(QByteArray(buffer.data(), qsizetype(length)));
            setLinkPath(MivFileUtils::resolveLink(text, path));
            return;
        }
        if (buffer.size() >= (1u << 20))
            return;
        buffer.resize(buffer.size() * 2);
    }
}

QUrl MivOsxFileData::resolveAliasFile() const { return QUrl(); }

MivFileDataPtr MivOsxFileData::resolveLink()
{
    const QString target = linkPath();
    if (target.isEmpty())
        return nullptr;
    return MivItemHooks::makeInstanceForURL(plat::Path::toFileQUrl(target), true);
}

MivFileDataPtr MivOsxFileData::createSymbolicLinkWithName(const QString& name, const QString& withDestinationPath,
                                                          const MivFileDataPtr&, const MivCopyContextPtr&, plat::Error* error)
{
    // Made where the folder really is, so a link made in a linked folder
    // lands in the target folder.
    const QString path = plat::PathString::appendingPathComponent(realPath(), name);
    const QByteArray target = plat::Path::toNative(withDestinationPath);
    const QByteArray native = plat::Path::toNative(path);
    if (name.isEmpty() || !plat::Path::isNameable(path) || !plat::Path::isNameable(withDestinationPath)
        || ::symlink(target.constData(), native.constData()) != 0) {
        const int err = name.isEmpty() || !plat::Path::isNameable(path) || !plat::Path::isNameable(withDestinationPath) ? EINVAL : errno;
        if (error)
            *error = plat::errorFromErrno(err, plat::FileAccess::Writing, path);
        return nullptr;
    }
    return MivOsxFileDataCache::makeFreshItemForPath(path, true);
}

bool MivOsxFileData::doOpen()
{
    if ((folder() && !filePackage()) || (filePackage() && showContentAllowed()))
        return false;
    const QString path = realPath();
    if (path.isEmpty()) {
        setShowContentAllowed(false);
        return false;
    }
    // The desktop opens the file with the application bound to its type.
    static const QString opener = QStringLiteral("/usr/bin/xdg-open");
    plat::Process process(opener, {path});
    process.setOutputMode(plat::Process::OutputMode::Discard);
    plat::Error failure;
    if (!process.start(&failure))
        MIV_LOG_ERROR(QStringLiteral("Error opening file '%1' using app '%2': %3")
                          .arg(path, QStringLiteral("xdg-open"), failure.localizedDescription()));
    setShowContentAllowed(false);
    return true;
}
