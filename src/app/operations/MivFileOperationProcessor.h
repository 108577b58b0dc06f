#pragma once

#include "FileData/MivFileDataTypes.h"
#include "app/operations/ICopyFileProcessorCallback.h"
#include "app/operations/IMivFileOperationCallback.h"
#include "app/operations/IMivOperationStep.h"

#include <QList>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class MivCopyFileStreamProcessor;
class MivFileOperationData;

namespace plat {
class ConcurrentQueue;
class Error;
} // namespace plat

// Carries out one step of a copy or move item by item, where the local file
// operation cannot take it whole: a remote or archive side, or folders
// merged into existing ones. It walks the source tree on a queue of its
// own, makes folders, settles name conflicts, copies files through the
// stream copier, recreates links inside the tree, and hands sub-trees that
// are local on both ends to the local file operation whole.
//
// Threads: the walk runs on the worker. A delegated sub-tree is scheduled on
// the worker's own run loop and awaited there; an overwrite question blocks
// the worker, never the GUI thread. cancel() may come from any thread.
class MivFileOperationProcessor : public ICopyFileProcessorCallback,
                                  public IMivFileOperationCallback,
                                  public IMivOperationStep,
                                  public std::enable_shared_from_this<MivFileOperationProcessor>
{
public:
    static constexpr const char* kQueueLabel = "com.quorvex.mivo.operation-processor";
    static constexpr quint32 kOverwriteFlag = 0x1;
    static constexpr qint32 kStatusDuplicate = -48;
    static constexpr qint32 kStatusCancelled = -128;
    static constexpr qint32 kStatusBadName = -37;

    // What the overwrite question answered: the option for the item, merge
    // into an existing folder, and whether the answer holds for every later
    // conflict.
    struct OverwriteAnswer
    {
        qint64 option = 0;
        bool merge = false;
        bool forAll = false;
    };
    // Asked on the worker, which waits for the answer; no answer cancels
    // the step. Stands in for the overwrite dialog.
    using OverwriteAnswerer = std::function<std::optional<OverwriteAnswer>(
        const std::shared_ptr<MivFileOperationData>& operation, const QString& path)>;
    // Answers the previous answerer.
    static OverwriteAnswerer setOverwriteAnswerer(OverwriteAnswerer answerer);

    static std::shared_ptr<MivFileOperationProcessor> create(const std::shared_ptr<MivFileOperationData>& operation);
    ~MivFileOperationProcessor() override;

    // Queues the run and answers 0 at once.
    qint32 processWithCallback(const std::shared_ptr<IMivFileOperationCallback>& callback, quint32 flags);
    void cancel() override;
    bool cancelled() const { return m_cancelled.load(); }

    void setChangeInterval(double seconds) { m_changeInterval = seconds; }
    double changeInterval() const { return m_changeInterval; }
    std::shared_ptr<MivFileOperationData> operation() const { return m_operation.lock(); }
    MivFileDataPtr currentSource() const;
    QString currentPath() const;

    // Reports of the copier, archive plug-ins and back-end loaders.
    void callback(quint64 stage, qint64 status) override;
    void progress(const QVariant& progress, const QVariant& total, const QVariant& throughput,
                  const QVariant& message) override;
    void updateStatusWithMessage(const QString& message, quint64 bytesCompleted);
    // Reports of a delegated sub-tree.
    void doOnFileOperation(const QString& path, quint32 stage, qint32 error, const std::optional<QVariantMap>& status,
                           const std::shared_ptr<MivFileProcessingData>& data) override;

private:
    explicit MivFileOperationProcessor(const std::shared_ptr<MivFileOperationData>& operation);

    void runAsynch();
    bool processForSource(const MivFileDataPtr& source);
    bool processItem(MivFileDataPtr source, const MivFileDataPtr& destFolder, QString name,
                     const MivFileDataPtr& rootSource, plat::Error* error);
    QString relativePathForSource(MivFileDataPtr* source, const MivFileDataPtr& destFolder,
                                  const MivFileDataPtr& rootSource);
    bool processSymlink(const MivFileDataPtr& source, const QString& relativePath, const MivFileDataPtr& destFolder,
                        const QString& name, bool destExists, plat::Error* error);
    bool processOverride(const MivFileDataPtr& source, const MivFileDataPtr& destItem, const MivFileDataPtr& destFolder,
                         const QString& name, const MivFileDataPtr& rootSource, bool destExists, plat::Error* error,
                         bool* result);
    bool processFolder(const MivFileDataPtr& source, const MivFileDataPtr& destItem, const MivFileDataPtr& destFolder,
                       const QString& name, bool destExists, const MivFileDataPtr& rootSource, bool* result,
                       plat::Error* error);
    bool processChildren(const MivFileDataPtr& sourceFolder, const MivFileDataPtr& rootSource,
                         const MivFileDataPtr& destFolder, plat::Error* error, bool* result);
    bool processFile(const MivFileDataPtr& source, const MivFileDataPtr& destItem, plat::Error* error);
    bool processLocalOperation(const MivFileDataPtr& source, const MivFileDataPtr& destFolder, const QString& name,
                               plat::Error* error);
    bool processResult(const plat::Error& found, plat::Error* error);
    void notifySkipComplete(const MivFileDataPtr& source);
    void removeProcessedSource(const MivFileDataPtr& item);
    void cleanMovedSourceFiles();
    void writeContexts(const MivFileDataPtr& source, const MivFileDataPtr& destFolder, const MivFileDataPtr& destItem);

    bool checkProcessStatus(quint64 stage, qint64 status);
    void localReportStatus(quint64 stage, qint64 status, const QVariantMap& dictionary);

    std::shared_ptr<MivCopyFileStreamProcessor> m_copyProcessor;
    std::atomic<bool> m_cancelled{false};
    quint64 m_currentLength = 0;
    std::weak_ptr<IMivFileOperationCallback> m_callback;
    quint32 m_flags = 0;
    QList<MivFileDataPtr> m_processed;
    bool m_merge = false;
    double m_lastEventTime = 0;
    bool m_reexecuteByOverride = false;
    std::shared_ptr<plat::ConcurrentQueue> m_processorQueue;
    std::weak_ptr<MivFileOperationData> m_operation;
    mutable std::mutex m_mutex;
    QString m_currentPath;
    MivFileDataPtr m_currentSource;
    double m_changeInterval = 0.25;
};
