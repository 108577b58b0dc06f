#include "FileData/Transfer/MivDefaultFileStreamHandlerDelegate.h"

MivDefaultFileStreamHandlerDelegate::MivDefaultFileStreamHandlerDelegate(bool out)
    : m_out(out)
{
}

void MivDefaultFileStreamHandlerDelegate::setTarget(const MivFileDataPtr& target)
{
    std::lock_guard lock(m_targetMutex);
    m_target = target;
}

MivFileDataPtr MivDefaultFileStreamHandlerDelegate::target() const
{
    std::lock_guard lock(m_targetMutex);
    return m_target.lock();
}
