#include "FileData/NetFileData/MivServiceData.h"

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
