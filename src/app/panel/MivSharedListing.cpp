#include "app/panel/MivSharedListing.h"

#include "platform/NoDestructor.h"

#include <QHash>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

namespace {

struct Running
{
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;                                  // guarded by lock
    int waiting = 0;                                    // guarded by lock
    std::optional<MivSharedListing::Outcome> outcome;  // guarded by lock; none when it failed or threw
};

struct Registry
{
    std::mutex lock;
    QHash<QString, std::shared_ptr<Running>> running;  // guarded by lock
};

Registry& registry()
{
    static plat::NoDestructor<Registry> instance;
    return *instance;
}

// Ends a led listing however it leaves, so nobody waits for it for ever.
class Lead
{
public:
    Lead(QString key, std::shared_ptr<Running> running) : m_key(std::move(key)), m_running(std::move(running)) {}
    ~Lead()
    {
        {
            std::lock_guard guard(registry().lock);
            const auto found = registry().running.constFind(m_key);
            if (found != registry().running.cend() && found.value() == m_running)
                registry().running.erase(found);
        }
        {
            std::lock_guard guard(m_running->lock);
            m_running->done = true;
            m_running->outcome = std::move(m_outcome);
        }
        m_running->finished.notify_all();
    }
    Lead(const Lead&) = delete;
    Lead& operator=(const Lead&) = delete;

    // Only a listing that succeeded is handed on.
    void publish(const MivSharedListing::Outcome& outcome)
    {
        if (outcome.listed && outcome.error.isNull())
            m_outcome = outcome;
    }

private:
    const QString m_key;
    const std::shared_ptr<Running> m_running;
    std::optional<MivSharedListing::Outcome> m_outcome;
};

} // namespace

int MivSharedListing::waitingForTesting()
{
    QList<std::shared_ptr<Running>> running;
    {
        std::lock_guard guard(registry().lock);
        running = registry().running.values();
    }
    int waiting = 0;
    for (const auto& each : running) {
        std::lock_guard guard(each->lock);
        waiting += each->waiting;
    }
    return waiting;
}

QString MivSharedListing::keyFor(const char* kind, const QString& pathKey, bool hidden, bool flat,
                                 const QString& sortKey)
{
    if (pathKey.isEmpty())
        return QString();
    const QString options = QString(QLatin1Char(hidden ? 'h' : '-')) + QLatin1Char(flat ? 'f' : '-');
    return QStringLiteral("%1\n%2\n%3\n%4").arg(QString::fromLatin1(kind), pathKey, options, sortKey);
}

MivSharedListing::Outcome MivSharedListing::run(const QString& key, bool join, const List& list, bool* joined)
{
    if (joined)
        *joined = false;
    if (key.isEmpty())
        return list();
    std::shared_ptr<Running> other;
    auto mine = std::make_shared<Running>();
    {
        std::lock_guard guard(registry().lock);
        auto& slot = registry().running[key];
        if (slot)
            other = slot;
        else
            slot = mine;
    }
    if (other && join) {
        std::unique_lock lock(other->lock);
        ++other->waiting;
        other->finished.wait(lock, [&] { return other->done; });
        --other->waiting;
        if (other->outcome) {
            if (joined)
                *joined = true;
            return *other->outcome;
        }
    }
    if (other)
        return list();  // the running one stays the one others join
    Lead lead(key, mine);
    Outcome outcome = list();
    lead.publish(outcome);
    return outcome;
}
