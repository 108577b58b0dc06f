#include "support/MemoryFileData.h"

#include "FileData/Extensions/FileStreamHandler.h"
#include "FileData/Transfer/IMivStreamHandlerDelegateCancel.h"
#include "FileData/Transfer/MivDefaultFileStreamHandlerDelegate.h"
#include "FileData/Transfer/MivFileStreamHandler.h"
#include "FileData/Transfer/MivStream.h"

#include <algorithm>
#include <cstring>
#include <random>

namespace mivtest {

namespace {

// What both directions share: chunk choice, transient answers, failures.
class MemoryDelegate : public MivDefaultFileStreamHandlerDelegate, public IMivStreamHandlerDelegateCancel
{
public:
    MemoryDelegate(bool out, std::shared_ptr<MemoryFileData> item, MemoryTransferOptions options)
        : MivDefaultFileStreamHandlerDelegate(out)
        , m_item(std::move(item))
        , m_options(std::move(options))
        , m_random(m_options.seed)
    {
    }

    qint64 bufferSize() override { return m_options.preferredBufferSize; }

    bool open(quint64, const MivCopyContextPtr&) override
    {
        if (m_options.refuseOpen) {
            m_error = MemoryFileData::injectedError();
            return false;
        }
        if (auto item = m_item.lock())
            ++item->openDelegates;
        m_opened = true;
        return openData();
    }

    void close() override
    {
        if (!m_opened)
            return;
        m_opened = false;
        if (auto item = m_item.lock())
            --item->openDelegates;
    }

    bool checkResult(qint64) override { return m_transient; }

    bool fillLastError(plat::Error* error) override
    {
        if (!error)
            return true;
        if (!m_error)
            return true;
        *error = m_error;
        return false;
    }

    void processCancelOperation() override
    {
        m_cancelled = true;
        if (auto item = m_item.lock())
            ++item->cancelCount;
    }

protected:
    virtual bool openData() = 0;

    // Decides the answer's kind; true when this answer is to be transient.
    bool rollTransient()
    {
        m_transient = m_options.alwaysTransient || m_answers++ < m_options.leadingTransients
            || (m_options.transientRate > 0 && std::uniform_real_distribution<double>(0, 1)(m_random) < m_options.transientRate);
        if (m_transient && m_options.onTransient)
            m_options.onTransient();
        return m_transient;
    }

    // A failure to answer now, or 0.
    bool failing()
    {
        if (m_cancelled) {
            m_error = plat::Error(MivFileOperationErrorDomainForTests, -128, QStringLiteral("Cancelled"));
            return true;
        }
        if (m_options.failAfter >= 0 && m_moved >= m_options.failAfter) {
            m_error = MemoryFileData::injectedError();
            return true;
        }
        return false;
    }

    qint64 chunk(qint64 available)
    {
        if (m_options.maxChunk <= 0)
            return available;
        const qint64 upper = std::min(available, m_options.maxChunk);
        const qint64 lower = std::min(std::max<qint64>(m_options.minChunk, 1), upper);
        if (upper <= lower)
            return upper;
        return std::uniform_int_distribution<qint64>(lower, upper)(m_random);
    }

    static constexpr const char* MivFileOperationErrorDomainForTests = "com.quorvex.MivFileOperationErrorDomain";

    std::weak_ptr<MemoryFileData> m_item;
    MemoryTransferOptions m_options;
    std::mt19937 m_random;
    bool m_transient = false;
    int m_answers = 0;
    bool m_opened = false;
    std::atomic<bool> m_cancelled{false};
    qint64 m_moved = 0;
    plat::Error m_error;
};

class MemoryDownloadDelegate : public MemoryDelegate
{
public:
    using MemoryDelegate::MemoryDelegate;

    qint64 handleDataBuffer(char* buffer, qint64, qint64 length) override
    {
        if (rollTransient())
            return m_options.transientValue;
        if (failing())
            return -1;
        const qint64 n = chunk(std::min<qint64>(length, m_data.size() - m_moved));
        if (n > 0)
            std::memcpy(buffer, m_data.constData() + m_moved, size_t(n));
        m_moved += n;
        return n;
    }

protected:
    bool openData() override
    {
        auto item = m_item.lock();
        if (!item)
            return false;
        m_data = item->data();
        return true;
    }

private:
    QByteArray m_data;
};

class MemoryUploadDelegate : public MemoryDelegate
{
public:
    using MemoryDelegate::MemoryDelegate;

    qint64 handleDataBuffer(char* buffer, qint64 offset, qint64 length) override
    {
        if (rollTransient())
            return m_options.transientValue;
        if (failing())
            return -1;
        const qint64 n = chunk(length - offset);
        m_pending.append(buffer + offset, n);
        m_moved += n;
        return n;
    }

    void processFinishWithSource(const MivFileDataPtr&, bool result) override
    {
        auto item = m_item.lock();
        if (!item)
            return;
        if (result)
            item->setData(m_pending);
        item->lastFinishResult = result;
        ++item->finishCount;
    }

protected:
    bool openData() override
    {
        m_pending.clear();
        return true;
    }

private:
    QByteArray m_pending;
};

} // namespace

std::shared_ptr<MemoryFileData> MemoryFileData::create(const QString& name, const QByteArray& data)
{
    auto item = std::make_shared<MemoryFileData>();
    item->setName(name);
    item->setData(data);
    return item;
}

QByteArray MemoryFileData::data() const
{
    std::lock_guard lock(m_dataMutex);
    return m_data;
}

void MemoryFileData::setData(const QByteArray& data)
{
    {
        std::lock_guard lock(m_dataMutex);
        m_data = data;
    }
    setSize(data.size());
}

QString MemoryFileData::pathKey() const
{
    return QStringLiteral("memory://") + name();
}

plat::Error MemoryFileData::injectedError()
{
    return plat::Error(QStringLiteral("com.quorvex.MivFileOperationErrorDomain"), -42, QStringLiteral("Injected failure"));
}

std::shared_ptr<IMivStreamHandlerDelegate> MemoryFileData::createDownloadDelegate()
{
    return std::make_shared<MemoryDownloadDelegate>(
        false, std::static_pointer_cast<MemoryFileData>(shared_from_this()), downloadOptions);
}

std::shared_ptr<IMivStreamHandlerDelegate> MemoryFileData::createUploadDelegate()
{
    return std::make_shared<MemoryUploadDelegate>(
        true, std::static_pointer_cast<MemoryFileData>(shared_from_this()), uploadOptions);
}

std::shared_ptr<MivFileStreamHandler> MemoryFileData::openStream(const std::shared_ptr<plat::Stream>& stream,
                                                                 quint64 bufferSize, const MivFileDataPtr& target,
                                                                 const MivCopyContextPtr& context)
{
    if (!stream)
        return nullptr;
    auto handler = FileStreamHandler::createHandlerFor(stream, this, bufferSize);
    if (!handler)
        return nullptr;
    if (!handler->delegate()) {
        handler->close();
        return nullptr;
    }
    handler->setDataLength(size());
    handler->delegate()->setTarget(target);
    handler->stream()->updateLocalForData(shared_from_this());
    if (!handler->open(context)) {
        handler->close();
        return nullptr;
    }
    return handler;
}

} // namespace mivtest
