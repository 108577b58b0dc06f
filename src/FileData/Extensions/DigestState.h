#pragma once

#include <QByteArray>
#include <QString>

struct evp_md_ctx_st;

// The running state of one checksum, fed chunk by chunk. Kinds are the
// checksum tools' numbers; texts are lower-case hexadecimal for the hashes
// and 8 upper-case hexadecimal digits for the CRC-32 (zlib's, start 0).
class DigestState
{
public:
    enum Kind { MD5 = 1, SHA1 = 2, SHA256 = 3, SHA512 = 4, CRC32 = 5 };

    // A kind outside 1 to 5 gives a state that takes bytes and has no text.
    explicit DigestState(int kind);
    ~DigestState();
    DigestState(const DigestState&) = delete;
    DigestState& operator=(const DigestState&) = delete;

    bool isValid() const { return m_valid; }
    void update(const char* bytes, qint64 length);
    void update(const QByteArray& bytes) { update(bytes.constData(), bytes.size()); }
    // The text of the bytes so far; the running state goes on unchanged.
    // Null for an invalid kind.
    QString text() const;

private:
    int m_kind;
    bool m_valid = false;
    evp_md_ctx_st* m_context = nullptr;
    unsigned long m_crc = 0;
};
