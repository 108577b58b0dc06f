#include "FileData/Transfer/MivStream.h"

#include "FileData/IMivUrlFile.h"
#include "FileData/MivFileData.h"
#include "FileData/Transfer/MivTransferClock.h"
#include "platform/NoDestructor.h"

#include <QUrl>

#include <openssl/evp.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

MivStream::MivStream(std::shared_ptr<plat::Stream> stream)
    : m_stream(std::move(stream))
{
}

MivStream::~MivStream()
{
    destroyCypherContext();
    destroyDigestContext();
}

void MivStream::updateLocalForData(const MivFileDataPtr& data)
{
    const auto* urlFile = dynamic_cast<const IMivUrlFile*>(data.get());
    if (!urlFile) {
        m_localHost = true;
        return;
    }
    const QUrl url = urlFile->fileURL();
    const QString host = url.host();
    // A file URL names this computer whatever its (empty) host says.
    if (url.isLocalFile() || url.scheme() == QLatin1String("file") || host.endsWith(QLatin1String(".local"))
        || host == QLatin1String("localhost"))
        m_localHost = true;
}

bool MivStream::openToFileTransfer(bool)
{
    throw std::logic_error("You must override openToFileTransfer in a subclass");
}

bool MivStream::openToFileTransfer(bool transfer, bool decrypt, quint64 max)
{
    if (!m_stream || m_stream->streamStatus() != plat::StreamStatus::NotOpen)
        return false;
    m_transfer = transfer;
    m_maxSpeed = 0;
    if (transfer) {
        m_digestBuffer.fill(0);
        if (m_digestComputation && !createDigestContext())
            return false;
        if (!createCypherContext(decrypt)) {
            destroyDigestContext();
            return false;
        }
        m_maxSpeed = m_localHost ? 0 : double(max);
    }
    m_stream->open();
    if (m_stream->streamStatus() == plat::StreamStatus::Open)
        return true;
    destroyCypherContext();
    destroyDigestContext();
    return false;
}

bool MivStream::closed() const
{
    if (!m_stream)
        return true;
    return m_stream->streamStatus() != plat::StreamStatus::Open;
}

void MivStream::close()
{
    destroyCypherContext();
    destroyDigestContext();
    if (m_stream)
        m_stream->close();
}

void MivStream::setMaxLength(quint64 maxLength)
{
    m_maxLength.store(maxLength);
    m_currentLength.store(0);
}

void MivStream::setCurrentLength(quint64 currentLength)
{
    if (m_maxLength.load() != 0)
        m_currentLength.store(currentLength);
}

double MivStream::transferProgress() const
{
    const quint64 max = m_maxLength.load();
    if (max == 0)
        return std::numeric_limits<double>::quiet_NaN();
    return std::min(1.0, double(m_currentLength.load()) / double(max));
}

plat::StreamStatus MivStream::streamStatus() const
{
    return m_stream ? m_stream->streamStatus() : plat::StreamStatus::NotOpen;
}

plat::Error MivStream::streamError() const
{
    return m_stream ? m_stream->streamError() : plat::Error();
}

QByteArray MivStream::digest() const
{
    return QByteArray(reinterpret_cast<const char*>(m_digestBuffer.data()), int(m_digestBuffer.size()));
}

MivStream::SpeedSchedule& MivStream::uploadSchedule()
{
    static plat::NoDestructor<SpeedSchedule> schedule;
    return *schedule;
}

MivStream::SpeedSchedule& MivStream::downloadSchedule()
{
    static plat::NoDestructor<SpeedSchedule> schedule;
    return *schedule;
}

void MivStream::resetSpeedSchedules()
{
    for (SpeedSchedule* schedule : {&uploadSchedule(), &downloadSchedule()}) {
        std::lock_guard lock(schedule->lock);
        schedule->nextFreeTime = 0;
    }
}

double MivStream::initTimerWithLock(SpeedSchedule& schedule, quint64 limit)
{
    const auto clock = MivTransferClock::shared();
    if (!m_transfer || m_maxSpeed != 0)
        return m_maxSpeed != 0 ? clock->now() : 0;
    if (limit == 0 || m_localHost)
        return 0;
    // The limit was set after opening: every stream of this direction waits
    // for the shared schedule's next free time.
    for (;;) {
        double nextFreeTime;
        {
            std::lock_guard lock(schedule.lock);
            nextFreeTime = schedule.nextFreeTime;
        }
        const double wait = nextFreeTime - clock->now();
        if (wait <= 0)
            break;
        clock->sleepFor(wait);
    }
    return clock->now();
}

void MivStream::waitOnLock(SpeedSchedule& schedule, double start, quint64 length, quint64 limit)
{
    if (length == 0)
        return;
    const auto clock = MivTransferClock::shared();
    if (m_maxSpeed != 0) {
        // A limit fixed at open holds this stream to it by itself.
        const double wait = double(length) / m_maxSpeed - (clock->now() - start);
        if (wait > 0)
            clock->sleepFor(wait);
        return;
    }
    const double speed = (m_transfer && !m_localHost) ? double(limit) : 0;
    if (speed == 0)
        return;
    std::lock_guard lock(schedule.lock);
    schedule.nextFreeTime = std::max(start, schedule.nextFreeTime) + double(length) / speed;
}

bool MivStream::createDigestContext()
{
    destroyDigestContext();
    m_digestContext = EVP_MD_CTX_new();
    if (!m_digestContext)
        return false;
    if (EVP_DigestInit_ex(m_digestContext, EVP_md5(), nullptr) != 1) {
        destroyDigestContext();
        return false;
    }
    return true;
}

bool MivStream::createCypherContext(bool decrypt)
{
    destroyCypherContext();
    if (m_encryptionPassword.isNull())
        return true;
    const QByteArray password = m_encryptionPassword.toUtf8();
    if (password.isEmpty())
        return false;
    unsigned char key[32];
    unsigned char iv[16];
    if (EVP_BytesToKey(EVP_aes_256_cbc(), EVP_md5(), nullptr, reinterpret_cast<const unsigned char*>(password.constData()),
                       int(password.size()), 1, key, iv)
        != 32)
        return false;
    m_encryptionContext = EVP_CIPHER_CTX_new();
    if (!m_encryptionContext)
        return false;
    const int ok = decrypt ? EVP_DecryptInit_ex(m_encryptionContext, EVP_aes_256_cbc(), nullptr, key, iv)
                           : EVP_EncryptInit_ex(m_encryptionContext, EVP_aes_256_cbc(), nullptr, key, iv);
    if (ok != 1) {
        destroyCypherContext();
        return false;
    }
    m_encryptionBuffer.clear();
    return true;
}

void MivStream::destroyDigestContext()
{
    if (m_digestContext) {
        EVP_MD_CTX_free(m_digestContext);
        m_digestContext = nullptr;
    }
}

void MivStream::destroyCypherContext()
{
    if (m_encryptionContext) {
        EVP_CIPHER_CTX_free(m_encryptionContext);
        m_encryptionContext = nullptr;
    }
    m_encryptionBuffer.clear();
    m_encryptionBuffer.shrink_to_fit();
}

bool MivStream::updateDigest(const char* bytes, quint64 length)
{
    if (!m_digestContext || length == 0)
        return true;
    return EVP_DigestUpdate(m_digestContext, bytes, length) == 1;
}

bool MivStream::finalDigest()
{
    if (!m_digestContext)
        return true;
    unsigned int length = 0;
    const bool ok = EVP_DigestFinal_ex(m_digestContext, m_digestBuffer.data(), &length) == 1 && length == 16;
    destroyDigestContext();
    return ok;
}
