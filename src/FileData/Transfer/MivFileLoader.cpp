#include "FileData/Transfer/MivFileLoader.h"

#include "FileData/MivExec.h"
#include "FileData/MivMaxConcurrentTasksQueue.h"

#include <thread>

MivFileLoader::MivFileLoader(MivFileDataPtr data, bool out)
    : MivDefaultFileStreamHandlerDelegate(out)
    , m_data(std::move(data))
    , m_loaderQueue(MivExec::createConcurrentDispatchQueueWithNameAndMaxConcurrency(
          "com.quorvex.operation-loader", 4 * std::max(1u, std::thread::hardware_concurrency())))
{
}

MivFileLoader::~MivFileLoader() = default;

void MivFileLoader::setLastError(const plat::Error& error)
{
    setRemError(error);
}

bool MivFileLoader::fillLastError(plat::Error* error)
{
    if (!error)
        return true;
    const plat::Error stored = remError();
    if (!stored)
        return true;
    *error = stored;
    return false;
}

void MivFileLoader::setProgressProvider(const std::weak_ptr<IOperationProgressProvider>& provider)
{
    std::lock_guard lock(m_mutex);
    m_progressProvider = provider;
}

std::shared_ptr<IOperationProgressProvider> MivFileLoader::progressProvider() const
{
    std::lock_guard lock(m_mutex);
    return m_progressProvider.lock();
}

plat::Error MivFileLoader::remError() const
{
    std::lock_guard lock(m_mutex);
    return m_remError;
}

void MivFileLoader::setRemError(const plat::Error& error)
{
    std::lock_guard lock(m_mutex);
    m_remError = error;
}
