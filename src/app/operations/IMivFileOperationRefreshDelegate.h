#pragma once

#include <memory>

class MivFileOperationData;
class QObject;

// What the panels, the main window and a waiter answer to the operations
// engine: busy state around an operation and the refresh after it.
class IMivFileOperationRefreshDelegate
{
public:
    virtual ~IMivFileOperationRefreshDelegate() = default;

    // notification: the panel that is busy, or null for the window.
    virtual void notifyStart(QObject* notification) = 0;
    virtual void notifyStop(QObject* notification) = 0;
    virtual void refreshDataAfterOperation(const std::shared_ptr<MivFileOperationData>& operation) = 0;
    virtual void refreshDataAfterOperationItem(const std::shared_ptr<MivFileOperationData>& operation) = 0;
};
