#include "FileData/Transfer/MivFileDataLoader.h"

#include "FileData/MivErrorPresenter.h"
#include "FileData/MivFileData.h"
#include "FileData/Transfer/MivFileSyncDataReader.h"
#include "platform/ReplacingFile.h"
#include "FileData/MivFileUtils.h"
#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/PathString.h"
#include "platform/PosixError.h"

#include <QCoreApplication>

#include <cerrno>
#include <unistd.h>

namespace {

constexpr qint64 kChunkSize = 65536;

plat::Error cancelledError()
{
    return MivErrorPresenter::makeFileOperationErrorWithCode(
        -128, QCoreApplication::translate("MivFileDataLoader", "The load was cancelled."));
}

} // namespace

MivFileDataLoader::MivFileDataLoader(MivFileDataPtr data, MivCopyContextPtr context)
    : m_data(std::move(data))
    , m_ctx(std::move(context))
{
}

MivFileDataLoader::~MivFileDataLoader() = default;

QString MivFileDataLoader::loadToTempFile(plat::Error* error)
{
    const QString temporary = MivFileUtils::createLocalTempFile(false, false);
    if (temporary.isNull()) {
        plat::Error::assign(error, plat::errorFromErrno(errno, plat::FileAccess::Writing));
        return QString();
    }
    const QString extension = m_data ? MivFileUtils::resolveExtension(m_data->realPath()) : QString();
    const QString target = extension.isEmpty() ? temporary : QStringLiteral("%1.%2").arg(temporary, extension);
    const bool ok = loadToFile(target, error);
    // The bare name only reserved the UUID once the target has an extension.
    if (target != temporary || !ok)
        plat::Path::unlink(temporary);
    return ok ? target : QString();
}

bool MivFileDataLoader::loadToFile(const QString& path, plat::Error* error)
{
    m_loading = true;
    plat::ReplacingFile file(path);
    plat::Error failure;
    if (file.open(&failure) && load(file, &failure))
        file.commit(&failure);
    file.discard();
    cancel();
    if (failure) {
        MIV_LOG_ERROR(QStringLiteral("Error writing to stream %1: %2").arg(path, failure.description()));
        plat::Error::assign(error, failure);
        return false;
    }
    return true;
}

bool MivFileDataLoader::load(plat::ReplacingFile& file, plat::Error* error)
{
    auto reader = std::make_shared<MivFileSyncDataReader>(m_data, kChunkSize, m_ctx);
    {
        std::lock_guard lock(m_readerMutex);
        m_reader = reader;
    }
    if (reader->closed()) {
        *error = reader->lastError() ? reader->lastError()
                                     : MivErrorPresenter::makeFileOperationErrorWithCode(
                                           -1, QCoreApplication::translate("MivFileDataLoader", "The item cannot be read."));
        return false;
    }
    for (;;) {
        if (!m_loading) {
            *error = cancelledError();
            return false;
        }
        const std::optional<QByteArray> chunk = reader->read();
        if (!chunk) {
            // A cancel closes the reader, which then reads like the end.
            if (!m_loading) {
                *error = cancelledError();
                return false;
            }
            if (const plat::Error readError = reader->lastError()) {
                *error = readError;
                return false;
            }
            return true;
        }
        if (!file.write(chunk->constData(), chunk->size(), error))
            return false;
    }
}

void MivFileDataLoader::cancel()
{
    if (!m_loading.exchange(false))
        return;
    std::shared_ptr<MivFileSyncDataReader> reader;
    {
        std::lock_guard lock(m_readerMutex);
        reader = std::exchange(m_reader, nullptr);
    }
    if (reader)
        reader->close();
}
