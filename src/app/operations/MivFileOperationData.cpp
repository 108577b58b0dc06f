#include "app/operations/MivFileOperationData.h"

#include "FileData/IMivCopyFile.h"
#include "FileData/IMivRemoteFile.h"
#include "FileData/MivExec.h"
#include "FileData/MivFileData.h"
#include "FileData/Transfer/MivCopyContext.h"
#include "app/operations/IMivAsyncActionDelegate.h"
#include "app/operations/IMivOperationDelegate.h"
#include "app/operations/IMivOperationStep.h"
#include "app/operations/IMivOperationViewContext.h"
#include "app/operations/MivOperationText.h"
#include "app/plugins/IMivArchivePlugin.h"
#include "platform/Log.h"
#include "platform/ConcurrentQueue.h"
#include "platform/PathString.h"
#include "platform/Qos.h"

#include <exception>

std::shared_ptr<MivFileOperationData> MivFileOperationData::create(const std::weak_ptr<IMivOperationDelegate>& delegate)
{
    return std::shared_ptr<MivFileOperationData>(new MivFileOperationData(delegate));
}

MivFileOperationData::MivFileOperationData(const std::weak_ptr<IMivOperationDelegate>& delegate)
    : m_delegate(delegate)
    , m_sourceContext(MivCopyContext::create())
    , m_destContext(MivCopyContext::create())
{
}

MivFileOperationData::~MivFileOperationData() = default;

// --- Fields ---

namespace {

template<typename T>
T readLocked(std::mutex& mutex, const T& field)
{
    std::lock_guard lock(mutex);
    return field;
}

// The replaced value is destroyed after the lock is released: an item's
// destructor may take locks of its own.
template<typename T>
void writeLocked(std::mutex& mutex, T& field, T value)
{
    {
        std::lock_guard lock(mutex);
        std::swap(field, value);
    }
}

} // namespace

qint64 MivFileOperationData::currentArchIndex() const
{
    std::lock_guard lock(m_mutex);
    return m_currentArchIndex;
}

std::shared_ptr<IMivOperationStep> MivFileOperationData::fileOp() const { return readLocked(m_mutex, m_fileOp); }
void MivFileOperationData::setFileOp(const std::shared_ptr<IMivOperationStep>& fileOp) { writeLocked(m_mutex, m_fileOp, fileOp); }

std::shared_ptr<IMivOperationDelegate> MivFileOperationData::delegate() const
{
    std::lock_guard lock(m_mutex);
    return m_delegate.lock();
}

void MivFileOperationData::setDelegate(const std::weak_ptr<IMivOperationDelegate>& delegate)
{
    writeLocked(m_mutex, m_delegate, delegate);
}

std::shared_ptr<IMivArchivePlugin> MivFileOperationData::plugin() const
{
    std::lock_guard lock(m_mutex);
    return m_plugin.lock();
}

MivFileDataPtr MivFileOperationData::archRoot() const { return readLocked(m_mutex, m_archRoot); }
std::optional<QList<MivFileDataPtr>> MivFileOperationData::archSource() const { return readLocked(m_mutex, m_archSource); }

MivCopyContextPtr MivFileOperationData::sourceContext() const { return readLocked(m_mutex, m_sourceContext); }
void MivFileOperationData::setSourceContext(const MivCopyContextPtr& context) { writeLocked(m_mutex, m_sourceContext, context); }
MivCopyContextPtr MivFileOperationData::destContext() const { return readLocked(m_mutex, m_destContext); }
void MivFileOperationData::setDestContext(const MivCopyContextPtr& context) { writeLocked(m_mutex, m_destContext, context); }

QPointer<QObject> MivFileOperationData::sourcePanel() const { return readLocked(m_mutex, m_sourcePanel); }
void MivFileOperationData::setSourcePanel(QObject* panel) { writeLocked(m_mutex, m_sourcePanel, QPointer<QObject>(panel)); }
QPointer<QObject> MivFileOperationData::destPanel() const { return readLocked(m_mutex, m_destPanel); }
void MivFileOperationData::setDestPanel(QObject* panel) { writeLocked(m_mutex, m_destPanel, QPointer<QObject>(panel)); }

std::shared_ptr<IMivOperationViewContext> MivFileOperationData::viewContext() const { return readLocked(m_mutex, m_viewContext); }
void MivFileOperationData::setViewContext(const std::shared_ptr<IMivOperationViewContext>& viewContext)
{
    writeLocked(m_mutex, m_viewContext, viewContext);
}

QString MivFileOperationData::uuid() const { return readLocked(m_mutex, m_uuid); }
void MivFileOperationData::setUuid(const QString& uuid) { writeLocked(m_mutex, m_uuid, uuid); }
QString MivFileOperationData::destName() const { return readLocked(m_mutex, m_destName); }
void MivFileOperationData::setDestName(const QString& destName) { writeLocked(m_mutex, m_destName, destName); }

void MivFileOperationData::setOption(qint64 option)
{
    MIV_LOG_DEBUG(QStringLiteral("set option: %1").arg(option));
    m_option.store(option);
}

QDateTime MivFileOperationData::startDate() const { return readLocked(m_mutex, m_startDate); }

QList<MivFileDataPtr> MivFileOperationData::source() const { return readLocked(m_mutex, m_source); }
void MivFileOperationData::setSource(const QList<MivFileDataPtr>& source) { writeLocked(m_mutex, m_source, source); }
MivFileDataPtr MivFileOperationData::sourceCtx() const { return readLocked(m_mutex, m_sourceCtx); }
void MivFileOperationData::setSourceCtx(const MivFileDataPtr& item) { writeLocked(m_mutex, m_sourceCtx, item); }
MivFileDataPtr MivFileOperationData::dest() const { return readLocked(m_mutex, m_dest); }
void MivFileOperationData::setDest(const MivFileDataPtr& item) { writeLocked(m_mutex, m_dest, item); }
MivFileDataPtr MivFileOperationData::destCtx() const { return readLocked(m_mutex, m_destCtx); }
void MivFileOperationData::setDestCtx(const MivFileDataPtr& item) { writeLocked(m_mutex, m_destCtx, item); }

std::shared_ptr<IMivOperationStep> MivFileOperationData::processor() const { return readLocked(m_mutex, m_processor); }
void MivFileOperationData::setProcessor(const std::shared_ptr<IMivOperationStep>& processor)
{
    writeLocked(m_mutex, m_processor, processor);
}

MivFileDataPtr MivFileOperationData::overwriteDestCtx() const { return readLocked(m_mutex, m_overwriteDestCtx); }
void MivFileOperationData::setOverwriteDestCtx(const MivFileDataPtr& item) { writeLocked(m_mutex, m_overwriteDestCtx, item); }
QString MivFileOperationData::customOperationName() const { return readLocked(m_mutex, m_customOperationName); }
void MivFileOperationData::setCustomOperationName(const QString& name) { writeLocked(m_mutex, m_customOperationName, name); }

// --- Derived values ---

MivFileDataPtr MivFileOperationData::currentSource() const
{
    const qint64 index = m_currentSourceIndex.load();
    std::lock_guard lock(m_mutex);
    if (m_archSource && m_currentArchIndex >= 0 && m_currentArchIndex < m_archSource->size())
        return m_archSource->at(m_currentArchIndex);
    if (index >= 0 && index < m_source.size())
        return m_source.at(index);
    return nullptr;
}

QString MivFileOperationData::sourcePath() const
{
    const MivFileDataPtr current = currentSource();
    return current ? current->realPath() : QString();
}

QString MivFileOperationData::destPath() const
{
    const MivFileDataPtr item = dest();
    return item ? item->realPath() : QString();
}

QString MivFileOperationData::destPathBySourceComponent() const
{
    QString name = destName();
    if (name.isNull())
        name = plat::PathString::lastPathComponent(sourcePath());
    return plat::PathString::appendingPathComponent(destPath(), name);
}

bool MivFileOperationData::finished() const
{
    const qint64 index = m_currentSourceIndex.load();
    std::lock_guard lock(m_mutex);
    return index >= m_source.size();
}

bool MivFileOperationData::asynchOperation() const { return operation() != kSymbolicLink; }

bool MivFileOperationData::archiveProcssing() const
{
    std::lock_guard lock(m_mutex);
    return m_archSource.has_value();
}

std::shared_ptr<IMivAsyncActionDelegate> MivFileOperationData::asyncDelegate() const
{
    const auto owner = delegate();
    return owner ? owner->asyncDelegate() : nullptr;
}

bool MivFileOperationData::copyOrMoveOperation() const
{
    const qint32 kind = operation();
    return kind == kCopy || kind == kMove;
}

bool MivFileOperationData::compressOperation() const
{
    const qint32 kind = operation();
    return kind == kDecompress || kind == kCompress;
}

bool MivFileOperationData::folderOperation() const
{
    const MivFileDataPtr current = currentSource();
    const MivFileDataPtr target = dest();
    return current && target && current->folder() && target->folder();
}

bool MivFileOperationData::remoteOperation() const
{
    const MivFileDataPtr current = currentSource();
    const MivFileDataPtr target = dest();
    return dynamic_cast<const IMivRemoteFile*>(current.get()) || dynamic_cast<const IMivRemoteFile*>(target.get());
}

bool MivFileOperationData::mergeOperation() const { return mergeFolders() && copyOrMoveOperation() && folderOperation(); }

bool MivFileOperationData::localSystemOperation() const
{
    return !mergeOperation() && !remoteOperation() && !compressOperation();
}

// --- Running ---

void MivFileOperationData::start()
{
    if (m_started.exchange(true))
        return;
    writeLocked(m_mutex, m_startDate, QDateTime::currentDateTimeUtc());
    if (asynchOperation() && showProgress()) {
        // The block keeps the record alive until its size is handed over.
        auto self = shared_from_this();
        MivExec::runAsync(
            [self] {
                // The walk starts whatever the measuring did: an item that
                // throws costs the size, never the operation.
                quint64 size = 0;
                try {
                    self->copyDataFromContextToRemoteSources();
                    size = self->calculateSizeForOperationData();
                } catch (const std::exception& exception) {
                    MIV_LOG_ERROR(QStringLiteral("Size calculation failed: %1").arg(QString::fromLocal8Bit(exception.what())));
                } catch (...) {
                    MIV_LOG_ERROR(QStringLiteral("Size calculation failed: unknown exception"));
                }
                const QVariant number = QVariant::fromValue(size);
                MivExec::runOnMainThreadAsync([self, number] { self->doStartWithSizeNumber(number); });
            },
            plat::ConcurrentQueue::global(plat::GlobalQueuePriority::qos(plat::GlobalQueuePriority::Default)));
        return;
    }
    doStartWithSize(0);
}

void MivFileOperationData::doStartWithSizeNumber(const QVariant& size) { doStartWithSize(size.toULongLong()); }

void MivFileOperationData::doStartWithSize(quint64 size)
{
    m_size.store(qint64(size));
    MIV_LOG_DEBUG(QStringLiteral("Start file operation with size: %1").arg(qint64(size)));
    if (nextSource(false))
        return;
    if (const auto view = viewContext()) {
        MIV_LOG_DEBUG(QStringLiteral("Close view: 0x%1 for operation: %2")
                          .arg(reinterpret_cast<quintptr>(view.get()), 0, 16)
                          .arg(description()));
        view->closeView();
    }
}

void MivFileOperationData::execute()
{
    const auto owner = delegate();
    if (!owner || !asynchOperation())
        return;
    MIV_LOG_DEBUG(QStringLiteral("Execute operation: %1 on delegate: 0x%2")
                      .arg(description())
                      .arg(reinterpret_cast<quintptr>(owner.get()), 0, 16));
    if (!showProgress()) {
        owner->executeCurrentFileAction();
        return;
    }
    MivExec::runOnMainThreadAsync([owner] {
        MIV_LOG_DEBUG(QStringLiteral("Did operation execute on delegate: 0x%1").arg(reinterpret_cast<quintptr>(owner.get()), 0, 16));
        owner->executeCurrentFileAction();
    });
}

void MivFileOperationData::cancelFileOperation()
{
    if (const auto step = fileOp())
        step->cancel();
}

void MivFileOperationData::cancel()
{
    MIV_LOG_INFO(QStringLiteral("Cancel operation: %1").arg(description()));
    cancelFileOperation();
    if (const auto running = processor())
        running->cancel();
    {
        std::lock_guard lock(m_mutex);
        m_currentSourceIndex.store(m_source.size());
    }
    next();
}

void MivFileOperationData::resume()
{
    const auto owner = delegate();
    if (!paused() || !owner)
        return;
    setPaused(false);
    owner->processCurrentFile();
}

void MivFileOperationData::close()
{
    const auto owner = delegate();
    MIV_LOG_DEBUG(QStringLiteral("Close operation: %1 on delegate: 0x%2")
                      .arg(description())
                      .arg(reinterpret_cast<quintptr>(owner.get()), 0, 16));
    if (owner)
        owner->finishFileOperation();
}

void MivFileOperationData::closeDelegate() { setDelegate({}); }

// --- Items ---

bool MivFileOperationData::sourceExists(const MivFileDataPtr& item) const
{
    if (!item)
        return false;
    if (auto* copyFile = dynamic_cast<IMivCopyFile*>(item.get()))
        return copyFile->checkExistWithContext(sourceContext());
    return item->exists();
}

bool MivFileOperationData::destExists(const MivFileDataPtr& item) const
{
    if (!item)
        return false;
    if (auto* copyFile = dynamic_cast<IMivCopyFile*>(item.get()))
        return copyFile->checkExistWithContext(destContext());
    return item->exists();
}

MivFileDataPtr MivFileOperationData::prepareOverwriteContext() const
{
    const MivFileDataPtr target = dest();
    if (!target)
        return nullptr;
    const MivFileDataPtr current = currentSource();
    return target->createChild(plat::PathString::lastPathComponent(destPathBySourceComponent()),
                               current && current->folder());
}

void MivFileOperationData::closeContexts()
{
    closeContext(sourceContext());
    closeContext(destContext());
}

void MivFileOperationData::closeContext(const MivCopyContextPtr& context)
{
    if (!context)
        return;
    const auto object = context->value(QString::fromLatin1(kContextObjectKey)).value<MivFileDataPtr>();
    auto* copyFile = dynamic_cast<IMivCopyFile*>(object.get());
    if (!copyFile)
        return;
    MIV_LOG_DEBUG(QStringLiteral("Close context for object: %1").arg(object->description()));
    copyFile->closeContext(context);
}
