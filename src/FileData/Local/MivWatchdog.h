#pragma once

#include "FileData/Local/Notifier.h"

#include <QList>

#include <mutex>

// The process's registry of running notifiers.
class MivWatchdog
{
public:
    static MivWatchdog& sharedInstance();

    // Appends the notifier (a notifier registered twice is listed twice and
    // runs one stream) and starts it.
    void registerNotifier(const NotifierPtr& notifier);
    // Stops the notifier and removes every entry of it.
    void unregisterNotifier(const NotifierPtr& notifier);

    QList<NotifierPtr> notifiers() const;

    MivWatchdog(const MivWatchdog&) = delete;
    MivWatchdog& operator=(const MivWatchdog&) = delete;

private:
    MivWatchdog() = default;

    mutable std::mutex _lock;
    QList<NotifierPtr> _notifiers;
};
