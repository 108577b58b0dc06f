#pragma once

#include "FileData/Transfer/IMivStreamHandlerDelegateLastError.h"
#include "FileData/Transfer/IMivStreamHandlerDelegateProgress.h"
#include "FileData/Transfer/MivDefaultFileStreamHandlerDelegate.h"
#include "platform/Error.h"

#include <memory>
#include <mutex>

class MivMaxConcurrentTasksQueue;

// The common base of every back-end's transfer delegates: keeps the item,
// the back-end's error and a bounded queue for work of its own
// ("com.quorvex.operation-loader", 4 x the processor count at once).
class MivFileLoader : public MivDefaultFileStreamHandlerDelegate,
                      public IMivStreamHandlerDelegateLastError,
                      public IMivStreamHandlerDelegateProgress,
                      public std::enable_shared_from_this<MivFileLoader>
{
public:
    // out: the direction flag of the neutral delegate (true for uploads).
    MivFileLoader(MivFileDataPtr data, bool out);
    ~MivFileLoader() override;

    void setLastError(const plat::Error& error) override;
    bool fillLastError(plat::Error* error) override;
    void setProgressProvider(const std::weak_ptr<IOperationProgressProvider>& provider) override;
    std::shared_ptr<IOperationProgressProvider> progressProvider() const;
    plat::Error remError() const;
    void setRemError(const plat::Error& error);

    MivFileDataPtr data() const { return m_data; }

protected:
    const MivFileDataPtr m_data;
    const std::shared_ptr<MivMaxConcurrentTasksQueue> m_loaderQueue;

private:
    mutable std::mutex m_mutex;
    std::weak_ptr<IOperationProgressProvider> m_progressProvider;
    plat::Error m_remError;
};
