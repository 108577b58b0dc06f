#include "platform/TaskGuard.h"

#include "platform/Log.h"

#include <QScopeGuard>

#include <atomic>
#include <exception>
#include <memory>

namespace plat::detail {

bool runGuarded(const std::function<void()>& task, const QString& label)
{
    try {
        task();
        return true;
    } catch (const std::exception& error) {
        MIV_LOG_ERROR(QStringLiteral("Uncaught exception in work of \"%1\": %2").arg(label, QString::fromUtf8(error.what())));
    } catch (...) {
        MIV_LOG_ERROR(QStringLiteral("Uncaught exception in work of \"%1\"").arg(label));
    }
    return false;
}

namespace {

// Shared by every copy of the wrapped task; the last copy to go fires it if
// the task never did.
class CompletionOnce
{
public:
    explicit CompletionOnce(std::function<void()> completion) : m_completion(std::move(completion)) {}
    ~CompletionOnce() { fire(); }
    CompletionOnce(const CompletionOnce&) = delete;
    CompletionOnce& operator=(const CompletionOnce&) = delete;

    void fire()
    {
        if (!m_fired.exchange(true) && m_completion)
            m_completion();
    }

private:
    std::function<void()> m_completion;
    std::atomic<bool> m_fired{false};
};

} // namespace

std::function<void()> withCompletion(std::function<void()> task, std::function<void()> completion)
{
    auto once = std::make_shared<CompletionOnce>(std::move(completion));
    return [once, task = std::move(task)] {
        const auto complete = qScopeGuard([&] { once->fire(); });
        task();
    };
}

} // namespace plat::detail
