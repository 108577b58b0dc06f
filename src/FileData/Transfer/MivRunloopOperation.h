#pragma once

#include "platform/Error.h"
#include "platform/Operation.h"
#include "platform/RunLoop.h"

#include <atomic>
#include <mutex>

// A request that runs by itself on the run loop of its thread (a WebDAV or
// cloud request): start turns the loop until the request declares itself
// finished. Back-ends override the three hooks; cancellation is theirs to
// look at.
class MivRunloopOperation : public plat::Operation
{
public:
    // Runs on the calling thread (an operation queue's worker).
    void start() override;

    // Ends the turning of the loop and finishes the operation; any thread.
    void finished();
    bool stopRunLoop() const { return m_stopRunLoop.load(); }
    void setStopRunLoop(bool stop);
    plat::Error error() const;
    void setError(const plat::Error& error);

    // The keep-alive timer's interval: the largest finite double (it never
    // fires in practice; it keeps the loop from having nothing to run).
    static constexpr double kKeepAliveInterval = 1.7976931348623157e308;
    // One turn of the loop, the single-precision 0.1 s.
    static constexpr double kTurnInterval = 0.10000000149011612;

protected:
    virtual void doInitOperation() {}
    virtual bool doStartOperation() { return true; }
    // The base finishes at once.
    virtual void doOperation() { finished(); }
    // The keep-alive timer fired.
    void timeout();
    void main() override {}

private:
    void finish();

    mutable std::mutex m_mutex;
    std::shared_ptr<plat::RunLoop> m_runLoop;
    plat::RunLoop::TimerId m_keepAliveTimer = 0;
    std::atomic<bool> m_stopRunLoop{false};
    std::atomic<bool> m_finishAnnounced{false};
    plat::Error m_error;
};
