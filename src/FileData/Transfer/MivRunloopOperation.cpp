#include "FileData/Transfer/MivRunloopOperation.h"

#include <chrono>

void MivRunloopOperation::start()
{
    setExecuting(true);
    doInitOperation();
    const auto loop = plat::RunLoop::current();
    {
        std::lock_guard lock(m_mutex);
        m_runLoop = loop;
        std::weak_ptr<plat::Operation> weak = weak_from_this();
        m_keepAliveTimer = loop->addTimer(std::chrono::duration<double>(kKeepAliveInterval), false, [weak] {
            if (auto self = std::static_pointer_cast<MivRunloopOperation>(weak.lock()))
                self->timeout();
        });
    }
    if (doStartOperation())
        doOperation();
    else
        finished();
    while (!m_stopRunLoop.load()) {
        const auto deadline = plat::RunLoop::Clock::now()
            + std::chrono::duration_cast<plat::RunLoop::Clock::duration>(std::chrono::duration<double>(kTurnInterval));
        loop->runUntil([this] { return m_stopRunLoop.load(); }, deadline);
        if (!loop->hasSources())
            break;
    }
    // A loop that ran dry without the request finishing must not leave its
    // waiters waiting.
    if (!m_stopRunLoop.load())
        finished();
}

void MivRunloopOperation::finished()
{
    std::shared_ptr<plat::RunLoop> loop;
    {
        std::lock_guard lock(m_mutex);
        loop = std::exchange(m_runLoop, nullptr);
        if (loop && m_keepAliveTimer)
            loop->cancelTimer(m_keepAliveTimer);
        m_keepAliveTimer = 0;
    }
    m_stopRunLoop.store(true);
    if (loop)
        loop->wake();
    finish();
}

void MivRunloopOperation::finish()
{
    if (m_finishAnnounced.exchange(true))
        return;
    setExecuting(false);
    setFinished(true);
}

void MivRunloopOperation::setStopRunLoop(bool stop)
{
    m_stopRunLoop.store(stop);
}

void MivRunloopOperation::timeout()
{
    setError(plat::Error(QStringLiteral("UselessDomain"), -99, QStringLiteral("NSRunLoop timed out")));
    finished();
}

plat::Error MivRunloopOperation::error() const
{
    std::lock_guard lock(m_mutex);
    return m_error;
}

void MivRunloopOperation::setError(const plat::Error& error)
{
    std::lock_guard lock(m_mutex);
    m_error = error;
}
