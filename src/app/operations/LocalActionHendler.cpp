#include "app/operations/LocalActionHendler.h"

#include "FileData/MivFileData.h"
#include "FileData/Transfer/MivCopyContext.h"
#include "app/operations/MivFileOperationData.h"
#include "app/operations/MivOperationText.h"
#include "platform/Error.h"
#include "platform/Log.h"
#include "platform/PathString.h"

namespace {

QString describe(const std::shared_ptr<MivFileOperationData>& operation)
{
    return operation ? operation->description() : QStringLiteral("(null)");
}

} // namespace

std::shared_ptr<MivFileOperationData> LocalActionHendler::operation() const
{
    std::lock_guard lock(m_mutex);
    return m_operation;
}

QString LocalActionHendler::operationName() const
{
    std::lock_guard lock(m_mutex);
    return m_operationName;
}

void LocalActionHendler::setOperationName(const QString& name)
{
    std::lock_guard lock(m_mutex);
    m_operationName = name;
}

void LocalActionHendler::startOperation(const std::shared_ptr<MivFileOperationData>& operation)
{
    if (!operation)
        return;
    QString name;
    {
        std::lock_guard lock(m_mutex);
        m_operation = operation;
        name = m_operationName;
    }
    MIV_LOG_DEBUG(QStringLiteral("Start local action for operation: %1 with name: %2").arg(describe(operation), name));
    operation->setCopyAttributes(false);
    operation->setCustomOperationName(name);
    operation->setLocalAction(true);
    operation->start();
}

void LocalActionHendler::updateInfo(const QVariant& info, const std::shared_ptr<MivFileOperationData>& forOperation)
{
    MIV_LOG_DEBUG(QStringLiteral("updateInfo: %1 for operation: %2").arg(info.toString(), describe(forOperation)));
}

void LocalActionHendler::didReceiveCurrentPath(const QString&, quint64, quint64, double, int,
                                               const std::shared_ptr<MivFileOperationData>&)
{
}

void LocalActionHendler::didAsyncOperationStarted(const std::shared_ptr<MivFileOperationData>& operation)
{
    // Runs at once even when new operations start paused.
    if (operation)
        operation->setPaused(false);
}

void LocalActionHendler::didAsyncOperationComplete(const std::shared_ptr<MivFileOperationData>& completing)
{
    MIV_LOG_DEBUG(QStringLiteral("didAsyncOperationComplete: %1").arg(describe(completing)));
    const auto kept = operation();
    QString destPath;
    MivFileDataPtr context;
    if (kept) {
        destPath = kept->destPathBySourceComponent();
        context = kept->dest();
    }
    MivFileDataPtr destination;
    if (completing) {
        if (const auto destContext = completing->destContext())
            destination = destContext->value(QStringLiteral("destination")).value<MivFileDataPtr>();
    }
    {
        std::lock_guard lock(m_mutex);
        m_destPath = destPath;
        m_context = context;
        m_destination = destination;
    }
    const bool over = !kept || !kept->next();
    if (over)
        m_complete.store(true);
    MIV_LOG_DEBUG(QStringLiteral("didAsyncOperationComplete: opertaion %1 complete: %2").arg(describe(kept)).arg(int(over)));
}

bool LocalActionHendler::didReceiveOperationError(const plat::Error& error, const QString&,
                                                  const std::shared_ptr<MivFileOperationData>&, const QString&)
{
    MIV_LOG_DEBUG(QStringLiteral("didReceiveOperationError: %1").arg(error.description()));
    return false;
}

void LocalActionHendler::notifyStart(QObject*) { MIV_LOG_DEBUG(QStringLiteral("notifyStart")); }
void LocalActionHendler::notifyStop(QObject*) { MIV_LOG_DEBUG(QStringLiteral("notifyStop")); }

void LocalActionHendler::refreshDataAfterOperation(const std::shared_ptr<MivFileOperationData>& operation)
{
    MIV_LOG_DEBUG(QStringLiteral("refreshDataAfterOperation: %1").arg(describe(operation)));
    if (operation) {
        if (const auto sourceCtx = operation->sourceCtx())
            sourceCtx->setBlocked(false);
        if (const auto dest = operation->dest())
            dest->setBlocked(false);
    }
    m_complete.store(true);
}

void LocalActionHendler::refreshDataAfterOperationItem(const std::shared_ptr<MivFileOperationData>&) {}

void LocalActionHendler::cancel()
{
    const auto kept = operation();
    if (!kept || m_canceled.exchange(true))
        return;
    kept->cancel();
}

MivFileDataPtr LocalActionHendler::getResult()
{
    MivFileDataPtr destination;
    MivFileDataPtr context;
    QString destPath;
    bool started = false;
    {
        std::lock_guard lock(m_mutex);
        destination = m_destination;
        context = m_context;
        destPath = m_destPath;
        started = m_operation != nullptr;
    }
    MIV_LOG_DEBUG(QStringLiteral("Wait for result in %1").arg(MivOperationText::loggablePath(destPath)));
    if (destination) {
        if (!destination->refreshed())
            destination->refresh();
        return destination;
    }
    if (!started || destPath.isEmpty() || !context)
        return nullptr;
    const MivFileDataPtr child = context->createChild(plat::PathString::lastPathComponent(destPath), false);
    return child && child->exists() ? child : nullptr;
}
