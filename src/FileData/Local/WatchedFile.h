#pragma once

#include "FileData/MivFileDataTypes.h"

#include <QString>

#include <atomic>
#include <memory>
#include <mutex>

class Notifier;

// What a caller hangs on a notifier as its client information: which folder
// a panel watches and for whom. No behaviour of its own.
class WatchedFile
{
public:
    bool disabled() const { return _disabled.load(); }
    void setDisabled(bool disabled) { _disabled.store(disabled); }

    // Kept for the caller; nothing else reads it.
    int fileDescriptor() const { return _fileDescriptor.load(); }
    void setFileDescriptor(int fd) { _fileDescriptor.store(fd); }

    std::shared_ptr<Notifier> notifier() const
    {
        std::lock_guard lock(_lock);
        return _notifier.lock();
    }
    void setNotifier(const std::shared_ptr<Notifier>& notifier)
    {
        std::lock_guard lock(_lock);
        _notifier = notifier;
    }

    QString path() const
    {
        std::lock_guard lock(_lock);
        return _path;
    }
    void setPath(const QString& path)
    {
        std::lock_guard lock(_lock);
        _path = path;
    }

    // Not retained: whoever made the record knows the delegate's type.
    std::shared_ptr<void> delegate() const
    {
        std::lock_guard lock(_lock);
        return _delegate.lock();
    }
    void setDelegate(const std::shared_ptr<void>& delegate)
    {
        std::lock_guard lock(_lock);
        _delegate = delegate;
    }

    // The watched item, not retained.
    MivFileDataPtr dataObject() const
    {
        std::lock_guard lock(_lock);
        return _dataObject.lock();
    }
    void setDataObject(const MivFileDataPtr& item)
    {
        std::lock_guard lock(_lock);
        _dataObject = item;
    }

private:
    mutable std::mutex _lock;
    std::atomic<bool> _disabled{false};
    std::atomic<int> _fileDescriptor{0};
    std::weak_ptr<Notifier> _notifier;
    QString _path;
    std::weak_ptr<void> _delegate;
    std::weak_ptr<MivFileData> _dataObject;
};
