#include "FileData/Local/MivWatchdog.h"

#include "platform/Log.h"

MivWatchdog& MivWatchdog::sharedInstance()
{
    static MivWatchdog instance;
    return instance;
}

void MivWatchdog::registerNotifier(const NotifierPtr& notifier)
{
    if (!notifier)
        return;
    {
        std::lock_guard lock(_lock);
        _notifiers.append(notifier);
    }
    MIV_LOG_DEBUG(QStringLiteral("Staring notifier: %1").arg(notifier->description()));
    notifier->start();
}

void MivWatchdog::unregisterNotifier(const NotifierPtr& notifier)
{
    if (!notifier)
        return;
    notifier->stop();
    QList<NotifierPtr> removed; // released after the lock
    std::lock_guard lock(_lock);
    for (qsizetype i = _notifiers.size() - 1; i >= 0; --i) {
        if (_notifiers.at(i) == notifier)
            removed.append(_notifiers.takeAt(i));
    }
}

QList<NotifierPtr> MivWatchdog::notifiers() const
{
    std::lock_guard lock(_lock);
    return _notifiers;
}
