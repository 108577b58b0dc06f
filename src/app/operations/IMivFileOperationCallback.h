#pragma once

#include <QString>
#include <QVariantMap>

#include <memory>
#include <optional>

class MivFileProcessingData;

// Receiver of the status reports of one step, from the local file operation
// or from the cross-file-system processor. stage: 1 preparing, 2 running,
// 3 complete (also after an error); error: 0 or a negative status. status
// is absent when the report carries no numbers. data is the request of a
// delegated sub-tree, null for a step's own reports.
class IMivFileOperationCallback
{
public:
    virtual ~IMivFileOperationCallback() = default;
    virtual void doOnFileOperation(const QString& path, quint32 stage, qint32 error,
                                   const std::optional<QVariantMap>& status,
                                   const std::shared_ptr<MivFileProcessingData>& data) = 0;
};
