#include "FileData/NetFileData/MivServiceData.h"

#include "FileData/MivRemoteTypes.h"
#include "FileData/NetFileData/MivNetworkFileData.h"

QString MivServiceData::serviceTypeForScheme(const QString& scheme)
{
    struct Entry
    {
        const char* scheme;
        const char* serviceType;
    };
    static constexpr Entry kTypes[] = {
        {ksSmbRemoteType, "_smb._tcp"},   {ksSambaRemoteType, "_smb._tcp"}, {ksSshRemoteType, "_ssh._tcp"},
        {ksFtpRemoteType, "_ftp._tcp"},   {ksFtpsRemoteType, "_ftps._tcp"}, {ksAfpRemoteType, "_afpovertcp._tcp"},
        {ksHttpRemoteType, "_http._tcp"}, {ksHttpsRemoteType, "_https._tcp"},
    };
    for (const Entry& entry : kTypes) {
        if (scheme == QLatin1String(entry.scheme))
            return QString::fromLatin1(entry.serviceType);
    }
    return QString();
}

QString MivServiceData::path() const
{
    std::lock_guard lock(m_mutex);
    return _path;
}

void MivServiceData::setPath(const QString& path)
{
    std::lock_guard lock(m_mutex);
    _path = path;
}

MivConnectionDescriptorPtr MivServiceData::descriptor() const
{
    std::lock_guard lock(m_mutex);
    return _descriptor;
}

void MivServiceData::setDescriptor(const MivConnectionDescriptorPtr& descriptor)
{
    std::lock_guard lock(m_mutex);
    _descriptor = descriptor;
}

std::shared_ptr<MivNetworkFileData> MivServiceData::createNetworkFileData()
{
    return MivFileData::makeItem<MivNetworkFileData>(shared_from_this());
}
