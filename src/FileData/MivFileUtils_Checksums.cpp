#include "FileData/MivFileUtils.h"

#include "FileData/Extensions/DigestState.h"
#include "FileData/IMivChecksumInterimDelegate.h"
#include "FileData/MivFileData.h"
#include "FileData/Transfer/MivFileSyncDataReader.h"
#include "platform/Log.h"

namespace {
constexpr qint64 kChecksumBufferSize = 65536;
} // namespace

QString MivFileUtils::calculateChecksumType(qint32 type, const MivFileDataPtr& forData, const MivCopyContextPtr& withContext,
                                            const MivChecksumEntry& withEntry, IMivChecksumCalcDelegate* usingDelegate,
                                            const plat::Error* lastError)
{
    MivFileSyncDataReader reader(forData, kChecksumBufferSize, withContext);
    if (reader.closed())
        return QString();

    DigestState state(type);
    const qint64 size = forData->size();
    const double divisor = size >= 1 ? double(size) : 1.0;
    const bool unknownSize = size <= 0;
    MIV_LOG_DEBUG(QStringLiteral("-- Checksum process data: %1, size: %2").arg(forData->pathKey()).arg(size));
    auto* interim = dynamic_cast<IMivChecksumInterimDelegate*>(usingDelegate);

    // The reader closes itself when it goes out of scope, on every path.
    qint64 bytesRead = 0;
    for (;;) {
        if (usingDelegate && usingDelegate->isAborted())
            return QString();
        const std::optional<QByteArray> chunk = reader.read();
        if (!chunk)
            break;
        if (chunk->isEmpty())
            continue;
        bytesRead += chunk->size();
        if (usingDelegate)
            usingDelegate->progress(double(bytesRead) / divisor, unknownSize, withEntry);
        state.update(*chunk);
        if (interim && !interim->interim(state.text()))
            return QString();
    }

    const plat::Error error = reader.lastError();
    if (error) {
        if (!lastError) {
            reader.close();
            return calculateChecksumType(type, forData, withContext, withEntry, usingDelegate, &error);
        }
        MIV_LOG_DEBUG(QStringLiteral("Error reading data [checksum controller]: %1").arg(error.description()));
        if (usingDelegate)
            usingDelegate->processError(error, withEntry);
        return QString();
    }
    return state.text();
}
