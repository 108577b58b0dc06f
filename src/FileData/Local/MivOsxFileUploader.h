#pragma once

#include "FileData/Transfer/IMivStreamHandlerDelegateCancel.h"
#include "FileData/Transfer/MivFileLoader.h"

#include <memory>
#include <mutex>

namespace plat {
class ReplacingFile;
}

// Writes the bytes of a copy into a local file. They go to a temporary file
// beside the target, which takes the target's place only when the source
// side finished successfully: a copy that fails or is cancelled half-way
// leaves an existing target untouched and no temporary file behind. A
// target that is a link to a file replaces the file it names; the link stays.
class MivOsxFileUploader : public MivFileLoader, public IMivStreamHandlerDelegateCancel
{
public:
    explicit MivOsxFileUploader(MivFileDataPtr data);
    ~MivOsxFileUploader() override;

    bool open(quint64 bufferSize, const MivCopyContextPtr& context) override;
    qint64 handleDataBuffer(char* buffer, qint64 offset, qint64 length) override;
    void processFinishWithSource(const MivFileDataPtr& source, bool result) override;
    void close() override;
    void processCancelOperation() override;

private:
    std::mutex m_mutex;
    std::unique_ptr<plat::ReplacingFile> _stream;
};
