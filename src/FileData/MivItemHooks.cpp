#include "FileData/MivItemHooks.h"
#include "platform/NoDestructor.h"

#include <mutex>

namespace {

// Set at start-up (and by tests at any time), read from every thread: a
// std::function copied while another thread replaces it is a data race, so
// reads copy the hook under the lock and call it outside.
struct Hooks
{
    std::mutex mutex;
    MivItemHooks::MakeInstanceForURL makeInstanceForURL;
    MivItemHooks::RootData rootData;
    MivItemHooks::DriveVolumeDescription driveVolumeDescription;
    MivItemHooks::MountedShareBaseURL mountedShareBaseURL;
    MivItemHooks::FastFolderSizeAtURL fastFolderSizeAtURL;
    MivItemHooks::RealParentForData realParentForData;
    MivItemHooks::IsLocalVolumeForURL isLocalVolumeForURL;
    MivItemHooks::UpdatePasswordForURL updatePasswordForURL;
};

Hooks& hooks()
{
    static plat::NoDestructor<Hooks> instance;
    return *instance;
}

template <class F>
void store(F Hooks::*slot, F hook)
{
    F old;
    {
        std::lock_guard lock(hooks().mutex);
        old = std::exchange(hooks().*slot, std::move(hook));
    }
    // The old hook (and what it captured) goes away outside the lock.
}

template <class F>
F load(F Hooks::*slot)
{
    std::lock_guard lock(hooks().mutex);
    return hooks().*slot;
}

} // namespace

void MivItemHooks::setMakeInstanceForURL(MakeInstanceForURL hook) { store(&Hooks::makeInstanceForURL, std::move(hook)); }
void MivItemHooks::setRootData(RootData hook) { store(&Hooks::rootData, std::move(hook)); }
void MivItemHooks::setDriveVolumeDescription(DriveVolumeDescription hook) { store(&Hooks::driveVolumeDescription, std::move(hook)); }
void MivItemHooks::setMountedShareBaseURL(MountedShareBaseURL hook) { store(&Hooks::mountedShareBaseURL, std::move(hook)); }
void MivItemHooks::setFastFolderSizeAtURL(FastFolderSizeAtURL hook) { store(&Hooks::fastFolderSizeAtURL, std::move(hook)); }
void MivItemHooks::setRealParentForData(RealParentForData hook) { store(&Hooks::realParentForData, std::move(hook)); }
void MivItemHooks::setIsLocalVolumeForURL(IsLocalVolumeForURL hook) { store(&Hooks::isLocalVolumeForURL, std::move(hook)); }
void MivItemHooks::setUpdatePasswordForURL(UpdatePasswordForURL hook) { store(&Hooks::updatePasswordForURL, std::move(hook)); }

MivFileDataPtr MivItemHooks::makeInstanceForURL(const QUrl& url, bool withRefresh)
{
    const auto hook = load(&Hooks::makeInstanceForURL);
    return hook ? hook(url, withRefresh) : nullptr;
}

MivFileDataPtr MivItemHooks::rootData(const MivFileDataPtr& item)
{
    const auto hook = load(&Hooks::rootData);
    return hook ? hook(item) : nullptr;
}

QVariantMap MivItemHooks::driveVolumeDescription(const QUrl& url)
{
    const auto hook = load(&Hooks::driveVolumeDescription);
    return hook ? hook(url) : QVariantMap();
}

bool MivItemHooks::hasDriveVolumeDescription() { return static_cast<bool>(load(&Hooks::driveVolumeDescription)); }

std::optional<QUrl> MivItemHooks::mountedShareBaseURL(const MivFileData& item)
{
    const auto hook = load(&Hooks::mountedShareBaseURL);
    return hook ? hook(item) : std::nullopt;
}

quint64 MivItemHooks::fastFolderSizeAtURL(const QUrl& url, const std::shared_ptr<IMivCalculateSizeDelegate>& delegate,
                                          quint64* allocatedSize)
{
    const auto hook = load(&Hooks::fastFolderSizeAtURL);
    return hook ? hook(url, delegate, allocatedSize) : 0;
}

bool MivItemHooks::hasFastFolderSizeAtURL() { return static_cast<bool>(load(&Hooks::fastFolderSizeAtURL)); }

std::optional<MivFileDataPtr> MivItemHooks::realParentForData(const MivFileDataPtr& folder, const MivFileDataPtr& item)
{
    const auto hook = load(&Hooks::realParentForData);
    return hook ? hook(folder, item) : std::nullopt;
}

std::optional<bool> MivItemHooks::isLocalVolumeForURL(const QUrl& url)
{
    const auto hook = load(&Hooks::isLocalVolumeForURL);
    return hook ? hook(url) : std::nullopt;
}

void MivItemHooks::updatePasswordForURL(const QUrl& url)
{
    if (const auto hook = load(&Hooks::updatePasswordForURL))
        hook(url);
}
