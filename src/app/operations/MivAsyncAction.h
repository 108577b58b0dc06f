#pragma once

#include "app/operations/IMivFileOperationCallback.h"

#include <QString>

#include <memory>

class MivFileOperationData;

// One step of an operation: one current source, copied, moved or trashed by
// the local file operation or by the cross-file-system processor. It settles
// the overwrite flags, starts the step, and as the step's callback hands
// each report to the record and tells the delegate when the step is
// complete (stage 3 only).
class MivAsyncAction : public IMivFileOperationCallback, public std::enable_shared_from_this<MivAsyncAction>
{
public:
    // The interval between two running reports of a step.
    static constexpr double kStatusChangeInterval = 0.25;
    // The step has no destination path.
    static constexpr qint32 kNoDestinationStatus = -333;

    static std::shared_ptr<MivAsyncAction> create(const std::weak_ptr<MivFileOperationData>& operation);
    ~MivAsyncAction() override;

    // False when the step did not begin (the item goes on with the next
    // source).
    bool execute();
    bool prepareOperation();
    bool executeOperation();

    void doOnFileOperation(const QString& path, quint32 stage, qint32 error, const std::optional<QVariantMap>& status,
                           const std::shared_ptr<MivFileProcessingData>& data) override;

    std::shared_ptr<MivFileOperationData> operation() const { return m_operation.lock(); }
    QString description() const;

private:
    explicit MivAsyncAction(const std::weak_ptr<MivFileOperationData>& operation) : m_operation(operation) {}

    std::weak_ptr<MivFileOperationData> m_operation;
};
