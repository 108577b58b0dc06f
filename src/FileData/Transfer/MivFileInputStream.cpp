#include "FileData/Transfer/MivFileInputStream.h"

#include <openssl/evp.h>

namespace {
// Room the cipher may add to one chunk: a block of its own output plus the
// final padding block.
constexpr quint64 kCipherSlack = 32;
} // namespace

MivFileInputStream::MivFileInputStream(std::shared_ptr<plat::InputStream> stream)
    : MivStream(stream)
    , m_input(std::move(stream))
{
}

bool MivFileInputStream::openToFileTransfer(bool transfer)
{
    return MivStream::openToFileTransfer(transfer, false, maxUploadSpeed());
}

qint64 MivFileInputStream::readPlain(char* buffer, quint64 maxLength)
{
    const quint64 limit = maxUploadSpeed();
    const double start = initTimerWithLock(uploadSchedule(), limit);
    if (!m_input->hasBytesAvailable())
        return 0;
    const qint64 n = m_input->read(buffer, qint64(maxLength));
    if (n > 0)
        waitOnLock(uploadSchedule(), start, quint64(n), limit);
    return n;
}

qint64 MivFileInputStream::finishAtEnd(char* buffer)
{
    if (m_input->streamStatus() != plat::StreamStatus::AtEnd)
        return 0;
    int length = 0;
    if (m_encryptionContext) {
        if (EVP_EncryptFinal_ex(m_encryptionContext, reinterpret_cast<unsigned char*>(buffer), &length) != 1)
            return -1;
        destroyCypherContext();
    }
    if (!finalDigest())
        return -1;
    return length;
}

qint64 MivFileInputStream::readBytes(char* buffer, quint64 maxLength)
{
    if (closed())
        return -1;
    if (!m_encryptionContext) {
        const qint64 n = readPlain(buffer, maxLength);
        if (n < 0 || !updateDigest(buffer, quint64(n)))
            return -1;
        if (finishAtEnd(buffer + n) < 0)
            return -1;
        m_totalSize += quint64(n);
        return n;
    }

    if (maxLength <= kCipherSlack)
        return -1;
    const quint64 plainMax = maxLength - kCipherSlack;
    if (m_encryptionBuffer.size() != plainMax)
        m_encryptionBuffer.resize(plainMax);
    const qint64 n = readPlain(m_encryptionBuffer.data(), plainMax);
    if (n < 0 || !updateDigest(m_encryptionBuffer.data(), quint64(n)))
        return -1;
    int out = 0;
    if (n > 0
        && EVP_EncryptUpdate(m_encryptionContext, reinterpret_cast<unsigned char*>(buffer), &out,
                             reinterpret_cast<const unsigned char*>(m_encryptionBuffer.data()), int(n))
               != 1)
        return -1;
    const qint64 final = finishAtEnd(buffer + out);
    if (final < 0)
        return -1;
    m_totalSize += quint64(n);
    return out + final;
}
