#include "platform/TaskGuard.h"

#include "platform/Log.h"

#include <exception>

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

} // namespace plat::detail
