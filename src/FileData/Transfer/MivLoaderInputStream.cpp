#include "FileData/Transfer/MivLoaderInputStream.h"

#include "FileData/Transfer/IMivUploaderProtocol.h"
#include "platform/RunLoop.h"

#include <cstring>

std::shared_ptr<MivLoaderInputStream> MivLoaderInputStream::create(const std::shared_ptr<IMivUploaderProtocol>& loader)
{
    return std::shared_ptr<MivLoaderInputStream>(new MivLoaderInputStream(loader));
}

MivLoaderInputStream::MivLoaderInputStream(std::weak_ptr<IMivUploaderProtocol> loader)
    : m_loader(std::move(loader))
{
}

void MivLoaderInputStream::setDelegate(const std::weak_ptr<plat::StreamDelegate>& delegate)
{
    std::lock_guard lock(m_mutex);
    m_ownDelegate = delegate.expired();
    m_delegate = delegate;
}

std::shared_ptr<plat::StreamDelegate> MivLoaderInputStream::delegate() const
{
    std::lock_guard lock(m_mutex);
    if (m_ownDelegate)
        return std::dynamic_pointer_cast<MivLoaderInputStream>(std::const_pointer_cast<plat::Stream>(shared_from_this()));
    return m_delegate.lock();
}

void MivLoaderInputStream::tell(plat::StreamEvent event)
{
    if (auto receiver = delegate())
        receiver->stream(shared_from_this(), event);
}

void MivLoaderInputStream::open()
{
    if (m_streamStatus.load() != plat::StreamStatus::NotOpen)
        return;
    m_streamStatus.store(plat::StreamStatus::Opening);
    std::weak_ptr<plat::Stream> weak = weak_from_this();
    plat::RunLoop::current()->post([weak] {
        if (auto self = std::static_pointer_cast<MivLoaderInputStream>(weak.lock())) {
            // The stream's own handling of the event, whoever else hears it.
            if (self->m_streamStatus.load() == plat::StreamStatus::Opening)
                self->m_streamStatus.store(plat::StreamStatus::Open);
            self->tell(plat::StreamEvent::OpenCompleted);
        }
    });
}

void MivLoaderInputStream::stream(const std::shared_ptr<plat::Stream>&, plat::StreamEvent handleEvent)
{
    if (handleEvent == plat::StreamEvent::OpenCompleted && m_streamStatus.load() == plat::StreamStatus::Opening)
        m_streamStatus.store(plat::StreamStatus::Open);
}

void MivLoaderInputStream::close()
{
    if (m_closed.exchange(true))
        return;
    m_streamStatus.store(plat::StreamStatus::Closed);
    tell(plat::StreamEvent::None);
}

bool MivLoaderInputStream::hasBytesAvailable() const
{
    switch (m_streamStatus.load()) {
    case plat::StreamStatus::Opening:
    case plat::StreamStatus::Open:
    case plat::StreamStatus::Reading:
    case plat::StreamStatus::Writing:
        return true;
    default:
        return false;
    }
}

qint64 MivLoaderInputStream::read(char* buffer, qint64 maxLength)
{
    if (m_closed.load() || m_streamStatus.load() == plat::StreamStatus::AtEnd || maxLength <= 0)
        return 0;
    const auto loader = m_loader.lock();
    const std::optional<QByteArray> chunk = loader ? loader->handleDataChunk(shared_from_this(), quint64(maxLength))
                                                   : std::nullopt;
    if (!chunk || chunk->isEmpty()) {
        m_streamStatus.store(plat::StreamStatus::AtEnd);
        tell(plat::StreamEvent::EndEncountered);
        return 0;
    }
    std::memcpy(buffer, chunk->constData(), size_t(chunk->size()));
    return chunk->size();
}
