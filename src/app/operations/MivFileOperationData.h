#pragma once

#include "FileData/IMivCalculateSizeDelegate.h"
#include "FileData/MivFileDataTypes.h"

#include <QDateTime>
#include <QMetaType>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class IMivArchivePlugin;
class IMivAsyncActionDelegate;
class IMivFileOperationCallback;
class MivFileProcessingData;
class IMivOperationDelegate;
class IMivOperationStep;
class IMivOperationViewContext;

namespace plat {
class Error;
}

// The record of one file operation: the kind, the sources, the destination,
// the user's choices and how far it has come. It walks its sources one at a
// time and tells its delegate (the operation item) to run the step for each.
//
// Threads: the size calculation of start() runs on a global queue while an
// operation with progress walks on the main thread, and engines report from
// their own threads. Object fields are guarded by one mutex per record and
// handed out as copies; the counters the size thread and the walk both move
// (itemsCount, total, currentSourceIndex) and the flags are atomics. No lock
// is held while the record calls out (delegate, items, plug-ins, views).
class MivFileOperationData : public IMivCalculateSizeDelegate, public std::enable_shared_from_this<MivFileOperationData>
{
public:
    // Operation kinds (field operation).
    static constexpr int kCopy = 0;
    static constexpr int kMove = 1;
    static constexpr int kMoveToTrash = 2;
    static constexpr int kSymbolicLink = 3;
    static constexpr int kDecompress = 4;
    static constexpr int kCompress = 5;

    // Overwrite options (field option); -1 is "not set".
    static constexpr qint64 kOptionNotSet = -1;
    static constexpr qint64 kOptionAsk = 1;
    static constexpr qint64 kOptionOverwrite = 2;
    static constexpr qint64 kOptionOverwriteOlder = 3;
    static constexpr qint64 kOptionSkip = 4;
    static constexpr qint64 kOptionRename = 5;

    // Stages of a step report.
    static constexpr int kStageUndefined = 0;
    static constexpr int kStagePreparing = 1;
    static constexpr int kStageRunning = 2;
    static constexpr int kStageComplete = 3;

    // The key of a context entry that must be told closeContext() with its
    // context when the operation ends (an item adopting IMivCopyFile, held
    // in the context as a MivFileDataPtr).
    static constexpr const char* kContextObjectKey = "object";

    // initWithDelegate: the values at creation and two empty contexts.
    static std::shared_ptr<MivFileOperationData> create(const std::weak_ptr<IMivOperationDelegate>& delegate);

    MivFileOperationData(const MivFileOperationData&) = delete;
    MivFileOperationData& operator=(const MivFileOperationData&) = delete;
    ~MivFileOperationData() override;

    // --- Fields ---

    qint64 currentArchIndex() const;
    qint64 currentSourceIndex() const { return m_currentSourceIndex.load(); }
    void setCurrentSourceIndex(qint64 index) { m_currentSourceIndex.store(index); }
    bool started() const { return m_started.load(); }

    std::shared_ptr<IMivOperationStep> fileOp() const;
    void setFileOp(const std::shared_ptr<IMivOperationStep>& fileOp);

    std::shared_ptr<IMivOperationDelegate> delegate() const;
    void setDelegate(const std::weak_ptr<IMivOperationDelegate>& delegate);
    std::shared_ptr<IMivArchivePlugin> plugin() const;
    MivFileDataPtr archRoot() const;
    // Null when no archive is walked.
    std::optional<QList<MivFileDataPtr>> archSource() const;

    bool inBackground() const { return m_inBackground.load(); }
    void setInBackground(bool value) { m_inBackground.store(value); }
    bool paused() const { return m_paused.load(); }
    void setPaused(bool value) { m_paused.store(value); }
    bool recursive() const { return m_recursive.load(); }
    void setRecursive(bool value) { m_recursive.store(value); }
    bool copyAttributes() const { return m_copyAttributes.load(); }
    void setCopyAttributes(bool value) { m_copyAttributes.store(value); }
    bool showProgress() const { return m_showProgress.load(); }
    void setShowProgress(bool value) { m_showProgress.store(value); }
    bool doAfterError() const { return m_doAfterError.load(); }
    void setDoAfterError(bool value) { m_doAfterError.store(value); }
    bool mergeFolders() const { return m_mergeFolders.load(); }
    void setMergeFolders(bool value) { m_mergeFolders.store(value); }
    bool copyFilePermissions() const { return m_copyFilePermissions.load(); }
    void setCopyFilePermissions(bool value) { m_copyFilePermissions.store(value); }
    bool localAction() const { return m_localAction.load(); }
    void setLocalAction(bool value) { m_localAction.store(value); }
    qint32 operation() const { return m_operation.load(); }
    void setOperation(qint32 operation) { m_operation.store(operation); }

    MivCopyContextPtr sourceContext() const;
    void setSourceContext(const MivCopyContextPtr& context);
    MivCopyContextPtr destContext() const;
    void setDestContext(const MivCopyContextPtr& context);

    // The panels (widgets, not owned; null once gone).
    QPointer<QObject> sourcePanel() const;
    void setSourcePanel(QObject* panel);
    QPointer<QObject> destPanel() const;
    void setDestPanel(QObject* panel);

    std::shared_ptr<IMivOperationViewContext> viewContext() const;
    void setViewContext(const std::shared_ptr<IMivOperationViewContext>& viewContext);
    QString uuid() const;
    void setUuid(const QString& uuid);
    QString destName() const;
    void setDestName(const QString& destName);
    qint64 option() const { return m_option.load(); }
    // Also logs the new option.
    void setOption(qint64 option);
    QDateTime startDate() const;

    QList<MivFileDataPtr> source() const;
    void setSource(const QList<MivFileDataPtr>& source);
    MivFileDataPtr sourceCtx() const;
    void setSourceCtx(const MivFileDataPtr& item);
    MivFileDataPtr dest() const;
    void setDest(const MivFileDataPtr& item);
    MivFileDataPtr destCtx() const;
    void setDestCtx(const MivFileDataPtr& item);

    qint64 size() const { return m_size.load(); }
    qint64 itemsCount() const { return m_itemsCount.load(); }
    qint64 total() const { return m_total.load(); }
    void setTotal(qint64 total) { m_total.store(total); }
    // Adds to total from any thread; answers the new value.
    qint64 addToTotal(qint64 bytes) { return m_total.fetch_add(bytes) + bytes; }

    std::shared_ptr<IMivOperationStep> processor() const;
    void setProcessor(const std::shared_ptr<IMivOperationStep>& processor);
    MivFileDataPtr overwriteDestCtx() const;
    void setOverwriteDestCtx(const MivFileDataPtr& item);
    QString customOperationName() const;
    void setCustomOperationName(const QString& name);

    // --- Derived values ---

    MivFileDataPtr currentSource() const;
    QString sourcePath() const;
    QString destPath() const;
    QString destPathBySourceComponent() const;
    bool finished() const;
    bool asynchOperation() const;
    bool archiveProcssing() const;
    std::shared_ptr<IMivAsyncActionDelegate> asyncDelegate() const;

    bool copyOrMoveOperation() const;
    bool compressOperation() const;
    bool folderOperation() const;
    bool remoteOperation() const;
    bool mergeOperation() const;
    bool localSystemOperation() const;

    // --- Walking ---

    // Moves to the next source (or archive entry) and has the delegate
    // process it; true while a source was left before the move.
    bool nextSource(bool clear);
    bool next() { return nextSource(true); }
    // Counts a skipped source as done; always true.
    bool skipSource(const MivFileDataPtr& source, const QString& currentPath);
    // Makes the archive's entries the current sources.
    bool startProcessArchive(const MivFileDataPtr& archive, const std::shared_ptr<IMivArchivePlugin>& withPlugin,
                             plat::Error* error);
    void nextArchSource();

    // --- Running ---

    void start();
    void doStartWithSize(quint64 size);
    void doStartWithSizeNumber(const QVariant& size);
    void execute();
    // Stops the running step and finishes the record; any thread.
    void cancel();
    void resume();
    void close();
    void closeDelegate();
    // Stops the system's file operation of the current step, when one runs.
    void cancelFileOperation();

    // --- Items and names ---

    bool sourceExists(const MivFileDataPtr& item) const;
    bool destExists(const MivFileDataPtr& item) const;
    MivFileDataPtr prepareOverwriteContext() const;
    QString resolveNameForOverwriteRename(const QString& name) const;
    QString operationString() const;
    QString operationNameForPrepare() const;
    QString sourceInfo() const;
    QString optionName() const;
    static QString OverrideOptionName(qint64 option);
    void closeContexts();
    void closeContext(const MivCopyContextPtr& context);

    // --- Sizes ---

    quint64 calculateSizeForOperationData();
    quint64 calculateSizeForData(const MivFileDataPtr& item);
    void sizeCalculatedForItem(const QString& item, quint64 totalSize, quint64 itemSize, bool folder) override;
    void copyDataFromContextToRemoteSources();

    // The item whose children stand for a remote context's sources on a
    // connection of their own: by default the root file of a fresh network
    // place for the context's place. Tests install a root of their own;
    // answers the previous maker.
    using RemoteRootMaker = std::function<MivFileDataPtr(const MivFileDataPtr& sourceCtx)>;
    static RemoteRootMaker setRemoteRootMaker(RemoteRootMaker maker);

    // --- Steps (MivFileOperationData_Steps.cpp) ---

    // Replaces the step's local file operation by a new one scheduled on the
    // calling thread's run loop, where its reports will arrive.
    bool prepareFileOperation();
    void releaseFileOperation();
    // Starts the local copy, move or trash of one source on the operation
    // prepared last; 0 or the start status. processingData travels to the
    // callback with every report.
    qint32 performFileOperationForSource(const QString& source, const QString& destPath, const QString& destName,
                                         quint32 flags, const std::shared_ptr<IMivFileOperationCallback>& callback,
                                         double statusChangeInterval,
                                         const std::shared_ptr<MivFileProcessingData>& processingData);
    // 0 or the overwrite flag, by option; clears doAfterError.
    quint32 resolveFlagsForOverwriteOption();
    // True when the report may complete the step.
    bool progressOperation(const QString& path, quint32 stage, qint32 error, const std::optional<QVariantMap>& status);
    double updateProgress(const QString& path, const std::shared_ptr<IMivAsyncActionDelegate>& delegate, quint32 stage,
                          const QVariantMap& status);
    bool processError(const QString& path, const std::shared_ptr<IMivAsyncActionDelegate>& delegate, qint32 error,
                      const QString& errorMessage, quint32* stage);
    QString convertStatusError(const QString& path, qint32 error);
    // Null for 0, else the error of a step that could not begin.
    plat::Error errorForStatus(qint32 status) const;
    static double getDictValue(const std::optional<QVariantMap>& dict, const char* key);

    // --- Descriptions (no URL in them carries a password) ---

    QString description() const;
    QString fullDescription() const;

private:
    explicit MivFileOperationData(const std::weak_ptr<IMivOperationDelegate>& delegate);

    void reportCurrentPath(const QString& path, int stage);

    mutable std::mutex m_mutex;
    qint64 m_currentArchIndex = 0;
    std::shared_ptr<IMivOperationStep> m_fileOp;
    std::weak_ptr<IMivOperationDelegate> m_delegate;
    std::weak_ptr<IMivArchivePlugin> m_plugin;
    MivFileDataPtr m_archRoot;
    std::optional<QList<MivFileDataPtr>> m_archSource;
    MivCopyContextPtr m_sourceContext;
    MivCopyContextPtr m_destContext;
    QPointer<QObject> m_sourcePanel;
    QPointer<QObject> m_destPanel;
    std::shared_ptr<IMivOperationViewContext> m_viewContext;
    QString m_uuid;
    QString m_destName;
    QDateTime m_startDate;
    QList<MivFileDataPtr> m_source;
    MivFileDataPtr m_sourceCtx;
    MivFileDataPtr m_dest;
    MivFileDataPtr m_destCtx;
    std::shared_ptr<IMivOperationStep> m_processor;
    MivFileDataPtr m_overwriteDestCtx;
    QString m_customOperationName;

    std::atomic<qint64> m_currentSourceIndex{-1};
    std::atomic<bool> m_started{false};
    std::atomic<bool> m_inBackground{false};
    std::atomic<bool> m_paused{false};
    std::atomic<bool> m_recursive{true};
    std::atomic<bool> m_copyAttributes{true};
    std::atomic<bool> m_showProgress{true};
    std::atomic<bool> m_doAfterError{false};
    std::atomic<bool> m_mergeFolders{false};
    std::atomic<bool> m_copyFilePermissions{true};
    std::atomic<bool> m_localAction{false};
    std::atomic<qint32> m_operation{0};
    std::atomic<qint64> m_option{kOptionNotSet};
    std::atomic<qint64> m_size{0};
    std::atomic<qint64> m_itemsCount{0};
    std::atomic<qint64> m_total{0};
    // A subject update for the view waits in the main queue.
    std::atomic<bool> m_subjectUpdatePending{false};
};

