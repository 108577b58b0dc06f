#pragma once

#include "FileData/MivFileDataTypes.h"

#include <QString>

#include <atomic>
#include <memory>
#include <mutex>

class MivFileSyncDataReader;
namespace plat {
class ReplacingFile;
}

namespace plat {
class Error;
}

// Loads an item of any kind into a local file. The bytes go into a
// temporary file beside the target, which replaces the target only once
// every chunk is written: a failed or cancelled load leaves an existing
// target as it was and reports why.
class MivFileDataLoader
{
public:
    MivFileDataLoader(MivFileDataPtr data, MivCopyContextPtr context);
    ~MivFileDataLoader();

    // A new temporary file named after the item's extension, loaded; null
    // (with nothing left behind) when the load fails.
    QString loadToTempFile(plat::Error* error = nullptr);
    bool loadToFile(const QString& path, plat::Error* error = nullptr);
    // Ends a running load at its next chunk; any thread.
    void cancel();

private:
    bool load(plat::ReplacingFile& file, plat::Error* error);

    const MivFileDataPtr m_data;
    const MivCopyContextPtr m_ctx;
    std::atomic<bool> m_loading{false};
    std::mutex m_readerMutex;
    std::shared_ptr<MivFileSyncDataReader> m_reader;
};
