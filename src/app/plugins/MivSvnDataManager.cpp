#include "app/plugins/MivSvnDataManager.h"

#include <mutex>

namespace {

std::mutex& providerLock()
{
    static std::mutex lock;
    return lock;
}

std::function<QStringList()>& provider()
{
    static std::function<QStringList()> p;
    return p;
}

} // namespace

QStringList MivSvnDataManager::availablePlugins()
{
    std::function<QStringList()> current;
    {
        std::lock_guard guard(providerLock());
        current = provider();
    }
    return current ? current() : QStringList();
}

void MivSvnDataManager::setAvailablePluginsProvider(std::function<QStringList()> newProvider)
{
    std::lock_guard guard(providerLock());
    provider() = std::move(newProvider);
}
