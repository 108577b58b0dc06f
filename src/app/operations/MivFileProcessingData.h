#pragma once

#include "FileData/MivFileDataTypes.h"

#include <QString>

#include <atomic>
#include <memory>

class MivFileOperationData;

// The request of one sub-tree that the processor hands whole to the local
// file operation; it travels with the operation's reports. The processor's
// worker waits for complete().
class MivFileProcessingData
{
public:
    MivFileProcessingData(MivFileDataPtr source, MivFileDataPtr dest, QString destName,
                          std::weak_ptr<MivFileOperationData> operation)
        : m_source(std::move(source)), m_dest(std::move(dest)), m_destName(std::move(destName)),
          m_operation(std::move(operation))
    {
    }

    const MivFileDataPtr& source() const { return m_source; }
    const MivFileDataPtr& dest() const { return m_dest; }
    const QString& destName() const { return m_destName; }
    std::shared_ptr<MivFileOperationData> operation() const { return m_operation.lock(); }

    bool complete() const { return m_complete.load(); }
    void setComplete() { m_complete.store(true); }
    qint32 status() const { return m_status.load(); }
    void setStatus(qint32 status) { m_status.store(status); }

private:
    MivFileDataPtr m_source;
    MivFileDataPtr m_dest;
    QString m_destName;
    std::weak_ptr<MivFileOperationData> m_operation;
    std::atomic<bool> m_complete{false};
    std::atomic<qint32> m_status{0};
};
