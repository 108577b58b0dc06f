#include "FileData/MivFileDataHelpers.h"

#include "FileData/IMivFileDataGuiHandler.h"
#include "FileData/IMivFileDataPropertiesProvider.h"
#include "FileData/MivFileDataOpener.h"
#include "platform/NoDestructor.h"

#include <mutex>
#include <utility>

namespace {

// Written at start-up, read from every thread afterwards. A shared_ptr
// copied while another thread replaces it is a data race, so the slots take
// a lock (tests register and clear them at any time).
struct Registry
{
    std::mutex mutex;
    std::shared_ptr<IMivFileDataGuiHandler> guiHandler;
    std::shared_ptr<IMivFileDataPropertiesProvider> propertiesProvider;
    std::shared_ptr<MivFileDataOpener> opener;
};

Registry& registry()
{
    static plat::NoDestructor<Registry> instance;
    return *instance;
}

template <class T>
void store(std::shared_ptr<T>& slot, std::shared_ptr<T> value)
{
    {
        std::lock_guard lock(registry().mutex);
        std::swap(slot, value);
    }
    // The replaced object is released here, outside the lock.
}

template <class T>
std::shared_ptr<T> load(const std::shared_ptr<T>& slot)
{
    std::lock_guard lock(registry().mutex);
    return slot;
}

} // namespace

void MivFileDataHelpers::registerFileDataGuiHandler(std::shared_ptr<IMivFileDataGuiHandler> handler)
{
    store(registry().guiHandler, std::move(handler));
}

void MivFileDataHelpers::registerFileDataPropertiesProvider(std::shared_ptr<IMivFileDataPropertiesProvider> provider)
{
    store(registry().propertiesProvider, std::move(provider));
}

void MivFileDataHelpers::registerFileDataOpener(std::shared_ptr<MivFileDataOpener> opener)
{
    store(registry().opener, std::move(opener));
}

std::shared_ptr<IMivFileDataGuiHandler> MivFileDataHelpers::fileDataGuiHandler() { return load(registry().guiHandler); }

std::shared_ptr<IMivFileDataPropertiesProvider> MivFileDataHelpers::fileDataPropertiesProvider()
{
    return load(registry().propertiesProvider);
}

std::shared_ptr<MivFileDataOpener> MivFileDataHelpers::fileDataOpener() { return load(registry().opener); }
