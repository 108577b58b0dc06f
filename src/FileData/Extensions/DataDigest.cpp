#include "FileData/Extensions/DataDigest.h"

#include <openssl/evp.h>
#include <zlib.h>

#include <QtGlobal>

namespace DataDigest {

namespace {

QString hashText(const EVP_MD* md, const QByteArray& data)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    // EVP takes a size_t length, so buffers over 4 GiB are digested whole
    // instead of modulo 2^32 bytes.
    if (EVP_Digest(data.constData(), size_t(data.size()), digest, &length, md, nullptr) != 1)
        qFatal("EVP_Digest failed for a built-in digest");
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(digest), int(length)).toHex());
}

} // namespace

QString CRC32(const QByteArray& data)
{
    // zlib's crc32 takes a 32-bit count; feed large buffers in slices.
    uLong crc = crc32(0L, Z_NULL, 0);
    const auto* bytes = reinterpret_cast<const Bytef*>(data.constData());
    qsizetype left = data.size();
    while (left > 0) {
        const uInt slice = uInt(qMin<qsizetype>(left, 1 << 30));
        crc = crc32(crc, bytes, slice);
        bytes += slice;
        left -= slice;
    }
    return QString::number(qulonglong(crc), 16).toUpper().rightJustified(8, QLatin1Char('0'));
}

QString MD5(const QByteArray& data)
{
    return hashText(EVP_md5(), data);
}

QString SHA1(const QByteArray& data)
{
    return hashText(EVP_sha1(), data);
}

QString SHA256(const QByteArray& data)
{
    return hashText(EVP_sha256(), data);
}

QString SHA512(const QByteArray& data)
{
    return hashText(EVP_sha512(), data);
}

} // namespace DataDigest
