#include "FileData/Local/MivOsxFileData.h"

#include "FileData/Local/MivLocalVolumeInfo.h"
#include "FileData/Local/MivOsxFileDownloader.h"
#include "FileData/Local/MivOsxFileUploader.h"
#include "FileData/Transfer/MivCopyContext.h"
#include "platform/Error.h"

#include <sys/file.h>
#include <unistd.h>

#include <mutex>

std::shared_ptr<IMivStreamHandlerDelegate> MivOsxFileData::createDownloadDelegate()
{
    return std::make_shared<MivOsxFileDownloader>(selfPtr());
}

std::shared_ptr<IMivStreamHandlerDelegate> MivOsxFileData::createUploadDelegate()
{
    return std::make_shared<MivOsxFileUploader>(selfPtr());
}

bool MivOsxFileData::copyAttributes(const MivFileDataPtr& source, bool perms, const MivCopyContextPtr&, plat::Error* error)
{
    bool done = true;
    if (source) {
        plat::Error failure;
        done = updateAttributes(perms ? source->posix() : std::nullopt, source->creationDate(), source->modificationDate(),
                                QString(), QString(), QString(), &failure);
        if (!done)
            plat::Error::assign(error, failure);
    }
    refresh();
    return done;
}

void MivOsxFileData::closeContext(const MivCopyContextPtr& context)
{
    if (!context)
        return;
    std::lock_guard lock(context->monitor());
    const QVariantList locks = context->value(QStringLiteral("locks")).toList();
    for (const QVariant& entry : locks) {
        const int fd = entry.toInt();
        ::flock(fd, LOCK_UN);
        if (fd > 0)
            ::close(fd);
    }
    context->remove(QStringLiteral("locks"));
}

std::shared_ptr<IMivVolumeInfo> MivOsxFileData::resolveVolumeInfo()
{
    return std::make_shared<MivLocalVolumeInfo>(realPath());
}

namespace {

std::optional<qint64> sizeOrNone(qint64 value)
{
    return value < 0 ? std::nullopt : std::optional<qint64>(value);
}

} // namespace

std::optional<qint64> MivOsxFileData::fileSystemAvailableSize() const
{
    return sizeOrNone(MivLocalVolumeInfo(itemPath()).fileSystemAvailableSize());
}

std::optional<qint64> MivOsxFileData::fileSystemFreeSize() const
{
    return sizeOrNone(MivLocalVolumeInfo(itemPath()).fileSystemFreeSize());
}

std::optional<qint64> MivOsxFileData::fileSystemSize() const
{
    return sizeOrNone(MivLocalVolumeInfo(itemPath()).fileSystemSize());
}
