#pragma once

#include "FileData/MivFileData.h"
#include "app/operations/IMivAsyncActionDelegate.h"
#include "app/operations/IMivOperationDelegate.h"
#include "app/operations/IMivOperationViewContext.h"
#include "app/operations/MivFileOperationData.h"
#include "platform/Error.h"
#include "support/WaitUntil.h"

#include <QString>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

namespace optest {

// Waits for a condition that another thread makes true; never a sleep.
class Signal
{
public:
    // Notifies under the lock: the waiter may destroy the signal as soon as
    // it sees the flag.
    void notify()
    {
        std::lock_guard lock(m_mutex);
        m_set = true;
        m_condition.notify_all();
    }
    // Generous deadline: a hang fails the test instead of stalling ctest.
    bool wait()
    {
        std::unique_lock lock(m_mutex);
        return mivtest::waitOnCondition(lock, m_condition, [this] { return m_set; }, std::chrono::seconds(60));
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_condition;
    bool m_set = false;
};

struct PathReport
{
    QString path;
    quint64 bytesTotal;
    int stage;
};

// The operation item and its progress receiver in one: records what the
// record tells them.
class RecordingDelegate : public IMivOperationDelegate,
                          public IMivAsyncActionDelegate,
                          public std::enable_shared_from_this<RecordingDelegate>
{
public:
    std::weak_ptr<MivFileOperationData> record;
    bool reportsProgress = true;
    std::function<void()> onProcess;

    // The current source each processCurrentFile saw (null when finished).
    std::vector<MivFileDataPtr> processed() const
    {
        std::lock_guard lock(m_mutex);
        return m_processed;
    }
    std::vector<PathReport> reports() const
    {
        std::lock_guard lock(m_mutex);
        return m_reports;
    }
    int executed() const
    {
        std::lock_guard lock(m_mutex);
        return m_executed;
    }
    int finishedCount() const
    {
        std::lock_guard lock(m_mutex);
        return m_finished;
    }

    void processCurrentFile() override
    {
        const auto owner = record.lock();
        {
            std::lock_guard lock(m_mutex);
            m_processed.push_back(owner && !owner->finished() ? owner->currentSource() : nullptr);
        }
        if (onProcess)
            onProcess();
    }
    void executeCurrentFileAction() override
    {
        std::lock_guard lock(m_mutex);
        ++m_executed;
    }
    void finishFileOperation() override
    {
        std::lock_guard lock(m_mutex);
        ++m_finished;
    }
    std::shared_ptr<IMivAsyncActionDelegate> asyncDelegate() override
    {
        return reportsProgress ? shared_from_this() : nullptr;
    }

    void updateInfo(const QVariant&, const std::shared_ptr<MivFileOperationData>&) override {}
    void startOperation(const std::shared_ptr<MivFileOperationData>&) override {}
    void didReceiveCurrentPath(const QString& path, quint64, quint64 bytesTotal, double, int stage,
                               const std::shared_ptr<MivFileOperationData>&) override
    {
        std::lock_guard lock(m_mutex);
        m_reports.push_back({path, bytesTotal, stage});
    }
    void didAsyncOperationStarted(const std::shared_ptr<MivFileOperationData>&) override {}
    void didAsyncOperationComplete(const std::shared_ptr<MivFileOperationData>&) override {}
    bool didReceiveOperationError(const plat::Error&, const QString&, const std::shared_ptr<MivFileOperationData>&,
                                  const QString&) override
    {
        return false;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<MivFileDataPtr> m_processed;
    std::vector<PathReport> m_reports;
    int m_executed = 0;
    int m_finished = 0;
};

// A progress view that records its subject lines and its closing.
class RecordingView : public IMivOperationViewContext
{
public:
    Signal closed;

    QStringList subjects() const
    {
        std::lock_guard lock(m_mutex);
        return m_subjects;
    }
    void setSubjectString(const QString& subject) override
    {
        std::lock_guard lock(m_mutex);
        m_subjects.append(subject);
    }
    void closeView() override { closed.notify(); }

private:
    mutable std::mutex m_mutex;
    QStringList m_subjects;
};

// A record bound to a recording delegate.
struct RecordWithDelegate
{
    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
    std::shared_ptr<MivFileOperationData> record = MivFileOperationData::create(delegate);

    RecordWithDelegate() { delegate->record = record; }
};

} // namespace optest
