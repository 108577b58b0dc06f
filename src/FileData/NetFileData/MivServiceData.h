#pragma once

#include "FileData/MivConnectionDescriptor.h"

#include <QString>

#include <memory>
#include <mutex>

// One network service or saved connection. Only what the item bases need so
// far: its path and the connection descriptor kept with it.
class MivServiceData
{
public:
    MivServiceData() = default;

    QString path() const;
    void setPath(const QString& path);
    // The same object the remote items of the place share.
    MivConnectionDescriptorPtr descriptor() const;
    void setDescriptor(const MivConnectionDescriptorPtr& descriptor);

private:
    mutable std::mutex m_mutex;
    QString _path;
    MivConnectionDescriptorPtr _descriptor;
};

using MivServiceDataPtr = std::shared_ptr<MivServiceData>;
