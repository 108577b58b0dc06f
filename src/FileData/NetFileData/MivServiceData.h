#pragma once

#include "FileData/MivConnectionDescriptor.h"

#include <QString>

#include <memory>
#include <mutex>

class MivNetworkFileData;

// One network service or saved connection. Only what the item bases need so
// far: its path and the connection descriptor kept with it. Shared by the
// place items made for it.
class MivServiceData : public std::enable_shared_from_this<MivServiceData>
{
public:
    MivServiceData() = default;

    // The DNS-SD service type of a URL scheme ("smb" -> "_smb._tcp"); the
    // empty string for a scheme no network service stands behind.
    static QString serviceTypeForScheme(const QString& scheme);

    QString path() const;
    void setPath(const QString& path);
    // The same object the remote items of the place share.
    MivConnectionDescriptorPtr descriptor() const;
    void setDescriptor(const MivConnectionDescriptorPtr& descriptor);

    // A new place item for this service, without a parent. The service data
    // must be held by a shared pointer.
    std::shared_ptr<MivNetworkFileData> createNetworkFileData();

private:
    mutable std::mutex m_mutex;
    QString _path;
    MivConnectionDescriptorPtr _descriptor;
};

using MivServiceDataPtr = std::shared_ptr<MivServiceData>;
