#pragma once

#include "FileData/Transfer/IMivStreamHandlerDelegate.h"

#include <mutex>

// The neutral transfer delegate every loader and collector derives from:
// an output delegate swallows every byte offered, an input one has none.
class MivDefaultFileStreamHandlerDelegate : public IMivStreamHandlerDelegate
{
public:
    // out: the direction flag (true for a delegate that takes bytes).
    explicit MivDefaultFileStreamHandlerDelegate(bool out);

    qint64 bufferSize() override { return -1; }
    void setTarget(const MivFileDataPtr& target) override;
    MivFileDataPtr target() const;
    bool open(quint64 bufferSize, const MivCopyContextPtr& context) override { return true; }
    void close() override {}
    qint64 handleDataBuffer(char* buffer, qint64 offset, qint64 length) override { return m_out ? length : 0; }
    bool checkResult(qint64 result) override { return false; }
    bool fillLastError(plat::Error* error) override { return true; }
    void processFinishWithSource(const MivFileDataPtr& source, bool result) override {}

protected:
    const bool m_out;

private:
    mutable std::mutex m_targetMutex;
    MivFileDataWeakPtr m_target;
};
