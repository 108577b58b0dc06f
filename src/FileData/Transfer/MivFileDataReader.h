#pragma once

#include "FileData/MivFileDataTypes.h"
#include "platform/Error.h"

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <mutex>
#include <optional>

class DataLoader;
class MivFileInputStreamHandler;
class MivFileOutputStreamHandler;
class MivMaxConcurrentTasksQueue;
class MivStreamPump;

// Reads an item's bytes through the full pump on a background queue
// ("com.quorvex.stream-reader"); the caller takes whatever has arrived.
// The pump starts at the first read that finds nothing collected and runs
// once to its end, after which the reader is closed.
class MivFileDataReader : public std::enable_shared_from_this<MivFileDataReader>
{
public:
    static std::shared_ptr<MivFileDataReader> create(const MivFileDataPtr& file, quint64 bufferSize,
                                                     const MivCopyContextPtr& context);
    ~MivFileDataReader();

    // The bytes that arrived since the last call (possibly empty); nothing
    // once the reader is closed and drained.
    std::optional<QByteArray> read();
    void close();
    bool closed() const;
    plat::Error lastError() const;
    void setLastError(const plat::Error& error);

private:
    MivFileDataReader() = default;
    void readAsync();

    std::shared_ptr<MivFileOutputStreamHandler> m_outh;
    std::shared_ptr<MivFileInputStreamHandler> m_inh;
    std::shared_ptr<DataLoader> m_handler;
    std::shared_ptr<MivStreamPump> m_pump;
    mutable std::mutex m_mutex;
    std::condition_variable m_cond;
    QString m_fileName;
    bool m_started = false;
    bool m_closed = false;
    std::shared_ptr<MivMaxConcurrentTasksQueue> m_readerQueue;
    plat::Error m_lastError;
};
