#include "app/operations/MivFileManager.h"

#include "FileData/IMivFileWatcherContextDelegate.h"
#include "FileData/Local/Notifier.h"
#include "FileData/Local/NotifierDelegate.h"
#include "FileData/MivFileData.h"
#include "platform/Log.h"
#include "platform/NoDestructor.h"

namespace {

// Hands a folder's event batches to its watcher. The notifier holds it
// weakly, so the watch record owns it.
class WatchForwarder final : public NotifierDelegate
{
public:
    explicit WatchForwarder(std::weak_ptr<IMivFileWatcherContextDelegate> watcher) : m_watcher(std::move(watcher)) {}

    void handleEvent(const MivEventData&, Notifier&) override
    {
        if (auto watcher = m_watcher.lock())
            watcher->contextContentChanged({});
    }

private:
    std::weak_ptr<IMivFileWatcherContextDelegate> m_watcher;
};

QString watchedPath(const MivFileDataPtr& folder)
{
    QString path = folder->sourcePath();
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

} // namespace

struct MivFileManager::Watch
{
    MivFileDataPtr folder;
    std::shared_ptr<WatchForwarder> forwarder;
    std::shared_ptr<Notifier> notifier;
};

MivFileManager& MivFileManager::sharedInstance()
{
    static plat::NoDestructor<MivFileManager> instance{};
    return *instance;
}

void MivFileManager::addWatchedFileContext(const MivFileDataPtr& folder,
                                           const std::shared_ptr<IMivFileWatcherContextDelegate>& delegate)
{
    if (!folder || !delegate)
        return;
    if (!folder->isLocalFile()) {
        folder->addWatchedDelegate(delegate);
        return;
    }
    auto watch = std::make_shared<Watch>();
    watch->folder = folder;
    watch->forwarder = std::make_shared<WatchForwarder>(delegate);
    std::shared_ptr<Watch> replaced;
    {
        std::lock_guard lock(m_lock);
        watch->notifier = Notifier::create(watch->forwarder, watchedPath(folder), {}, Notifier::kDefaultFlags, m_latency);
        auto& slot = m_watches[delegate.get()];
        replaced = std::move(slot);
        slot = watch;
    }
    // Stopping and starting touch the inotify hub, never this lock.
    if (replaced && replaced->notifier)
        replaced->notifier->stop();
    watch->notifier->start();
}

void MivFileManager::removeWatchedFileContext(const MivFileDataPtr& folder,
                                              const std::shared_ptr<IMivFileWatcherContextDelegate>& delegate)
{
    if (!folder || !delegate)
        return;
    if (!folder->isLocalFile()) {
        folder->removeWatchedDelegate(delegate);
        return;
    }
    std::shared_ptr<Watch> removed;
    {
        std::lock_guard lock(m_lock);
        auto it = m_watches.find(delegate.get());
        if (it == m_watches.end())
            return;
        removed = std::move(it->second);
        m_watches.erase(it);
    }
    removed->notifier->stop();
}

void MivFileManager::setWatchingState(bool disabled, const std::shared_ptr<IMivFileWatcherContextDelegate>& delegate)
{
    if (!delegate)
        return;
    std::shared_ptr<Watch> watch;
    {
        std::lock_guard lock(m_lock);
        auto it = m_watches.find(delegate.get());
        if (it != m_watches.end())
            watch = it->second;
    }
    if (!watch)
        return;
    try {
        if (disabled)
            watch->notifier->stop();
        else if (!watch->notifier->isRunning())
            watch->notifier->start();
    } catch (const std::exception& e) {
        MIV_LOG_ERROR(QStringLiteral("Cannot change the folder watch: %1").arg(QString::fromUtf8(e.what())));
    }
}

bool MivFileManager::checkContextForOperation(const QList<MivFileDataPtr>& items)
{
    for (const auto& item : items) {
        if (item && !item->isUpFolderData())
            return true;
    }
    return false;
}

void MivFileManager::setWatchLatency(double seconds)
{
    std::lock_guard lock(m_lock);
    m_latency = seconds;
}

MivFileDataPtr MivFileManager::watchedFolderFor(const IMivFileWatcherContextDelegate* delegate) const
{
    std::lock_guard lock(m_lock);
    auto it = m_watches.find(delegate);
    return it == m_watches.end() ? nullptr : it->second->folder;
}
