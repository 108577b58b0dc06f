#pragma once

#include "FileData/MivFileDataTypes.h"
#include "platform/Error.h"

#include <QByteArray>

#include <mutex>
#include <optional>
#include <vector>

// Pulls an item's bytes straight from its download delegate on the caller's
// thread, one chunk per read. A reader that could not open the item is
// closed from the start.
class MivFileSyncDataReader
{
public:
    MivFileSyncDataReader(const MivFileDataPtr& file, qint64 bufferSize, const MivCopyContextPtr& context);
    ~MivFileSyncDataReader();
    MivFileSyncDataReader(const MivFileSyncDataReader&) = delete;
    MivFileSyncDataReader& operator=(const MivFileSyncDataReader&) = delete;

    // The next chunk; nothing at the end of the data and on a failure
    // (lastError tells them apart) and once closed. Transient answers are
    // asked again, for at most the handlers' stall limit.
    std::optional<QByteArray> read();
    void close();
    bool closed() const;
    plat::Error lastError() const;
    void setLastError(const plat::Error& error);

private:
    mutable std::mutex m_mutex;
    std::shared_ptr<IMivStreamHandlerDelegate> m_delegate;
    qint64 m_bufferSize = 0;
    std::vector<char> m_buffer;
    plat::Error m_lastError;
};
