#include "FileData/Extensions/DigestState.h"

#include <openssl/evp.h>
#include <zlib.h>

#include <algorithm>

namespace {

const EVP_MD* algorithm(int kind)
{
    switch (kind) {
    case DigestState::MD5:
        return EVP_md5();
    case DigestState::SHA1:
        return EVP_sha1();
    case DigestState::SHA256:
        return EVP_sha256();
    case DigestState::SHA512:
        return EVP_sha512();
    default:
        return nullptr;
    }
}

} // namespace

DigestState::DigestState(int kind)
    : m_kind(kind)
{
    if (kind == CRC32) {
        m_crc = crc32(0L, Z_NULL, 0);
        m_valid = true;
        return;
    }
    const EVP_MD* md = algorithm(kind);
    if (!md)
        return;
    m_context = EVP_MD_CTX_new();
    if (!m_context)
        qFatal("Out of memory for a digest context");
    if (EVP_DigestInit_ex(m_context, md, nullptr) != 1)
        qFatal("EVP_DigestInit_ex failed for a built-in digest");
    m_valid = true;
}

DigestState::~DigestState()
{
    if (m_context)
        EVP_MD_CTX_free(m_context);
}

void DigestState::update(const char* bytes, qint64 length)
{
    if (length <= 0)
        return;
    if (m_kind == CRC32) {
        // zlib's crc32 takes a 32-bit count; feed large buffers in slices.
        const auto* at = reinterpret_cast<const Bytef*>(bytes);
        while (length > 0) {
            const uInt slice = uInt(std::min<qint64>(length, 1 << 30));
            m_crc = crc32(m_crc, at, slice);
            at += slice;
            length -= slice;
        }
        return;
    }
    if (m_context && EVP_DigestUpdate(m_context, bytes, size_t(length)) != 1)
        qFatal("EVP_DigestUpdate failed for a built-in digest");
}

QString DigestState::text() const
{
    if (!m_valid)
        return QString();
    if (m_kind == CRC32)
        return QString::number(qulonglong(m_crc), 16).toUpper().rightJustified(8, QLatin1Char('0'));
    EVP_MD_CTX* copy = EVP_MD_CTX_new();
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!copy || EVP_MD_CTX_copy_ex(copy, m_context) != 1 || EVP_DigestFinal_ex(copy, digest, &length) != 1)
        qFatal("Finishing a copy of a built-in digest failed");
    EVP_MD_CTX_free(copy);
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(digest), int(length)).toHex());
}
