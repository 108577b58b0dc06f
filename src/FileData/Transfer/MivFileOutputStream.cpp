#include "FileData/Transfer/MivFileOutputStream.h"

#include "platform/Log.h"

#include <openssl/evp.h>

MivFileOutputStream::MivFileOutputStream(std::shared_ptr<plat::OutputStream> stream)
    : MivStream(stream)
    , m_output(std::move(stream))
{
}

bool MivFileOutputStream::openToFileTransfer(bool transfer)
{
    return MivStream::openToFileTransfer(transfer, true, maxDownloadSpeed());
}

bool MivFileOutputStream::writePlain(const char* bytes, quint64 length)
{
    quint64 written = 0;
    while (m_output->hasSpaceAvailable()) {
        const qint64 n = m_output->write(bytes + written, qint64(length - written));
        if (n < 0) {
            MIV_LOG_ERROR(QStringLiteral("Stream write error: %1").arg(m_output->streamError().description()));
            return false;
        }
        written += quint64(n);
        if (written == length)
            return true;
        if (n == 0)
            break;
    }
    MIV_LOG_ERROR(QStringLiteral("No space available in destination stream"));
    return false;
}

bool MivFileOutputStream::writeBytes(const char* buffer, quint64 length)
{
    if (closed())
        return false;
    const char* plain = buffer;
    quint64 plainLength = length;
    if (m_encryptionContext) {
        if (m_encryptionBuffer.size() != length + 32)
            m_encryptionBuffer.resize(length + 32);
        int out = 0;
        if (length > 0
            && EVP_DecryptUpdate(m_encryptionContext, reinterpret_cast<unsigned char*>(m_encryptionBuffer.data()), &out,
                                 reinterpret_cast<const unsigned char*>(buffer), int(length))
                   != 1)
            return false;
        plain = m_encryptionBuffer.data();
        plainLength = quint64(out);
    }
    if (!updateDigest(plain, plainLength))
        return false;
    if (plainLength > 0) {
        const quint64 limit = maxDownloadSpeed();
        const double start = initTimerWithLock(downloadSchedule(), limit);
        if (!writePlain(plain, plainLength))
            return false;
        waitOnLock(downloadSchedule(), start, plainLength, limit);
    }
    m_totalSize += length;
    return true;
}

bool MivFileOutputStream::flush()
{
    if (m_encryptionContext) {
        unsigned char last[64];
        int out = 0;
        const bool ok = EVP_DecryptFinal_ex(m_encryptionContext, last, &out) == 1;
        destroyCypherContext();
        if (!ok || !updateDigest(reinterpret_cast<const char*>(last), quint64(out)))
            return false;
        if (out > 0 && (closed() || !writePlain(reinterpret_cast<const char*>(last), quint64(out))))
            return false;
    }
    return finalDigest();
}
