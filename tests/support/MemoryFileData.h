#pragma once

#include "FileData/IMivCopyFile.h"
#include "FileData/MivFileData.h"
#include "platform/Error.h"

#include <QByteArray>

#include <atomic>
#include <functional>
#include <mutex>

namespace mivtest {

// How a memory item's transfer delegates answer. Each delegate takes a copy
// when it is made.
struct MemoryTransferOptions
{
    // Chunk sizes are drawn from [minChunk, maxChunk] (maxChunk 0: as much
    // as is asked or offered), with this seed.
    quint32 seed = 1;
    qint64 minChunk = 1;
    qint64 maxChunk = 0;
    // Share of answers that are transient (checkResult says try again).
    double transientRate = 0;
    // Every answer is transient.
    bool alwaysTransient = false;
    // The first this many answers are transient.
    int leadingTransients = 0;
    // The value of a transient answer (a back-end's would-block code, or 0).
    qint64 transientValue = 0;
    // Runs on every transient answer (tests move their clock here).
    std::function<void()> onTransient;
    // Fails (answers -1 with error) once this many bytes have moved; -1 never.
    qint64 failAfter = -1;
    // Refuses open:context:.
    bool refuseOpen = false;
    // The delegate's bufferSize() answer.
    qint64 preferredBufferSize = -1;
};

// A copyable item that keeps its bytes in memory, for tests of everything
// that moves an item's bytes without a local file: its delegates answer in
// random chunk sizes, with transient answers and injected failures as the
// options say. An upload is committed to the item only when the source side
// reports success.
class MemoryFileData : public MivFileData, public virtual IMivCopyFile
{
public:
    static std::shared_ptr<MemoryFileData> create(const QString& name, const QByteArray& data = {});

    QByteArray data() const;
    // Also sets size() to the data's length.
    void setData(const QByteArray& data);

    MemoryTransferOptions downloadOptions;
    MemoryTransferOptions uploadOptions;

    // What the delegates saw.
    std::atomic<int> cancelCount{0};
    std::atomic<int> finishCount{0};
    std::atomic<bool> lastFinishResult{false};
    std::atomic<int> openDelegates{0};

    QString pathKey() const override;

    std::shared_ptr<IMivStreamHandlerDelegate> createDownloadDelegate() override;
    std::shared_ptr<IMivStreamHandlerDelegate> createUploadDelegate() override;
    bool copyAllowed() const override { return true; }
    void closeContext(const MivCopyContextPtr&) override {}
    // Opens a transfer end the way copyable items do.
    std::shared_ptr<MivFileStreamHandler> openStream(const std::shared_ptr<plat::Stream>& stream, quint64 bufferSize,
                                                     const MivFileDataPtr& target,
                                                     const MivCopyContextPtr& context) override;
    bool checkExistWithContext(const MivCopyContextPtr&) override { return true; }
    using MivFileData::makeFolderWithName;
    MivFileDataPtr makeFolderWithName(const QString&, const MivCopyContextPtr&, plat::Error*) override { return nullptr; }
    bool copyAttributes(const MivFileDataPtr&, const MivCopyContextPtr&, plat::Error*) override { return true; }
    bool copyAttributes(const MivFileDataPtr&, bool, const MivCopyContextPtr&, plat::Error*) override { return true; }

    // The error every injected failure reports.
    static plat::Error injectedError();

private:
    mutable std::mutex m_dataMutex;
    QByteArray m_data;
};

} // namespace mivtest
