#include "FileData/Local/SLSystemRoots.h"

#include <mutex>

namespace {

std::mutex& rootsMutex()
{
    static std::mutex mutex;
    return mutex;
}

SLSystemRoots& storedRoots()
{
    static SLSystemRoots roots;
    return roots;
}

} // namespace

SLSystemRoots SLSystemRoots::current()
{
    std::lock_guard lock(rootsMutex());
    return storedRoots();
}

void SLSystemRoots::setCurrent(const SLSystemRoots& roots)
{
    std::lock_guard lock(rootsMutex());
    storedRoots() = roots;
}
