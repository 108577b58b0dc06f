#pragma once

#include "FileData/Transfer/IMivStreamHandlerOperationDelegate.h"
#include "FileData/MivFileDataTypes.h"
#include "platform/Error.h"

#include <functional>
#include <memory>

class MivFileInputStreamHandler;
class MivFileOutputStreamHandler;

// The pairing of two opened handlers over one bound pair, as the copy engine
// and the asynchronous reader run it: the output handler pumps the source on
// the calling thread, every chunk notice drains the pair into the target, and
// once the source has finished the pair is drained one last time, so no
// chunk is left behind whatever the source said its size was.
class MivStreamPump : public IMivStreamHandlerOperationDelegate, public std::enable_shared_from_this<MivStreamPump>
{
public:
    // Called after each drain with its result; it may add a veto (false).
    using ChunkObserver = std::function<bool(bool drained)>;

    static std::shared_ptr<MivStreamPump> create(std::shared_ptr<MivFileOutputStreamHandler> output,
                                                 std::shared_ptr<MivFileInputStreamHandler> input);

    // An outer observer that gives the progress sink and sees every notice.
    void setObserver(const std::weak_ptr<IMivStreamHandlerOperationDelegate>& observer) { m_observer = observer; }
    void setChunkObserver(ChunkObserver observer) { m_chunkObserver = std::move(observer); }

    // Runs the transfer; true when every byte reached the target side.
    bool run();
    // Tells the target side the outcome, then closes the output handler and
    // after it the input handler. False when the transfer failed or the
    // target side could not keep what it received.
    bool finish(const MivFileDataPtr& source, bool result);
    // The output side's error, else the input side's, else the one the
    // target side reported on finishing.
    plat::Error lastError() const;

    std::shared_ptr<IOperationProgressProvider> progressProvider() override;
    bool handler(const std::shared_ptr<MivFileStreamHandler>& handler, int didChunkProcessed) override;

private:
    MivStreamPump(std::shared_ptr<MivFileOutputStreamHandler> output, std::shared_ptr<MivFileInputStreamHandler> input);
    bool drain();

    std::shared_ptr<MivFileOutputStreamHandler> m_output;
    std::shared_ptr<MivFileInputStreamHandler> m_input;
    std::weak_ptr<IMivStreamHandlerOperationDelegate> m_observer;
    ChunkObserver m_chunkObserver;
    // Written by finish() only, on the thread that runs the pump.
    plat::Error m_finishError;
};
