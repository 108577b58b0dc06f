#pragma once

#include "FileData/MivFileDataTypes.h"
#include "platform/Error.h"
#include "platform/Stream.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

struct evp_md_ctx_st;
struct evp_cipher_ctx_st;

// Wraps one end of a bound stream pair for a stream handler and adds what a
// file transfer needs: a once-only open in transfer mode, the current and
// expected lengths the copy engine reads, a per-direction speed limit with a
// process-wide schedule, and an MD5 digest and AES-256-CBC cipher applied per
// chunk. With the options at their defaults (no limit, no digest, no
// password) bytes pass straight through, without a copy.
//
// A stream is used by one handler, whose steps run one at a time; only the
// speed schedules are shared between threads.
class MivStream
{
public:
    explicit MivStream(std::shared_ptr<plat::Stream> stream);
    virtual ~MivStream();
    MivStream(const MivStream&) = delete;
    MivStream& operator=(const MivStream&) = delete;

    // Marks the stream local when the item is on this computer; only ever set.
    void updateLocalForData(const MivFileDataPtr& data);

    // Subclasses open with their direction's cipher mode and speed limit.
    virtual bool openToFileTransfer(bool transfer);
    bool openToFileTransfer(bool transfer, bool decrypt, quint64 max);

    // True without a wrapped stream or when it is not open (at the end and
    // after an error count as closed).
    bool closed() const;
    void close();

    // Sets the expected length and resets the current length to 0.
    void setMaxLength(quint64 maxLength);
    // Stored only while an expected length is known (not 0).
    void setCurrentLength(quint64 currentLength);
    quint64 currentLength() const { return m_currentLength.load(); }
    quint64 maxLength() const { return m_maxLength.load(); }
    // currentLength / maxLength capped at 1; NaN while maxLength is 0.
    double transferProgress() const;

    plat::StreamStatus streamStatus() const;
    plat::Error streamError() const;
    std::shared_ptr<plat::Stream> stream() const { return m_stream; }
    bool localHost() const { return m_localHost; }
    quint64 totalSize() const { return m_totalSize; }

    bool digestComputation() const { return m_digestComputation; }
    void setDigestComputation(bool on) { m_digestComputation = on; }
    QString encryptionPassword() const { return m_encryptionPassword; }
    void setEncryptionPassword(const QString& password) { m_encryptionPassword = password; }
    // The finished MD5 digest (16 bytes, zero until finished).
    QByteArray digest() const;

    // Forgets both directions' schedules (tests that change the clock).
    static void resetSpeedSchedules();

protected:
    // The shared next free time of one direction.
    struct SpeedSchedule
    {
        std::mutex lock;
        double nextFreeTime = 0;
    };
    static SpeedSchedule& uploadSchedule();
    static SpeedSchedule& downloadSchedule();

    // Before a chunk: answers the start time of the throttle (0 when none
    // applies), waiting first for the direction's schedule when the limit
    // limit applies to all streams of the direction together.
    double initTimerWithLock(SpeedSchedule& schedule, quint64 limit);
    // After a chunk of length bytes.
    void waitOnLock(SpeedSchedule& schedule, double start, quint64 length, quint64 limit);

    bool createDigestContext();
    bool createCypherContext(bool decrypt);
    void destroyDigestContext();
    void destroyCypherContext();
    bool updateDigest(const char* bytes, quint64 length);
    bool finalDigest();

    std::shared_ptr<plat::Stream> m_stream;
    quint64 m_totalSize = 0;
    bool m_transfer = false;
    double m_maxSpeed = 0;
    evp_md_ctx_st* m_digestContext = nullptr;
    evp_cipher_ctx_st* m_encryptionContext = nullptr;
    std::vector<char> m_encryptionBuffer;
    std::array<unsigned char, 16> m_digestBuffer{};
    std::atomic<quint64> m_currentLength{0};
    std::atomic<quint64> m_maxLength{0};
    bool m_localHost = false;
    bool m_digestComputation = false;
    QString m_encryptionPassword;
};
