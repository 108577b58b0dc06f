#pragma once

#include "platform/InputStream.h"
#include "platform/StreamDelegate.h"

#include <atomic>
#include <memory>
#include <mutex>

class IMivUploaderProtocol;

// The body stream of an upload request: a pull source that answers each read
// with what the uploader has (libcurl's read callback can call read()). It
// reports the end once the uploader has nothing more.
class MivLoaderInputStream : public plat::InputStream,
                             public plat::StreamDelegate
{
public:
    static std::shared_ptr<MivLoaderInputStream> create(const std::shared_ptr<IMivUploaderProtocol>& loader);

    // Opening completes on the next turn of the calling thread's run loop.
    void open() override;
    void close() override;
    plat::StreamStatus streamStatus() const override { return m_streamStatus.load(); }
    plat::Error streamError() const override { return {}; }
    bool hasBytesAvailable() const override;
    // 0 once closed or at the end.
    qint64 read(char* buffer, qint64 maxLength) override;

    // Null puts the stream itself back as its delegate.
    void setDelegate(const std::weak_ptr<plat::StreamDelegate>& delegate);
    std::shared_ptr<plat::StreamDelegate> delegate() const;

    void stream(const std::shared_ptr<plat::Stream>& stream, plat::StreamEvent handleEvent) override;

private:
    explicit MivLoaderInputStream(std::weak_ptr<IMivUploaderProtocol> loader);
    void tell(plat::StreamEvent event);

    // Weak: the loader holds its request, which holds this stream.
    std::weak_ptr<IMivUploaderProtocol> m_loader;
    std::atomic<plat::StreamStatus> m_streamStatus{plat::StreamStatus::NotOpen};
    mutable std::mutex m_mutex;
    std::weak_ptr<plat::StreamDelegate> m_delegate;
    bool m_ownDelegate = true;
    std::atomic<bool> m_closed{false};
};
