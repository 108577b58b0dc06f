#include "FileData/Extensions/StringDigest.h"

#include "FileData/Extensions/DataDigest.h"

#include <QByteArray>

namespace StringDigest {

namespace {

QByteArray cStringBytes(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    const qsizetype zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    return bytes;
}

} // namespace

QString CRC32(const QString& text)
{
    return DataDigest::CRC32(cStringBytes(text));
}

QString MD5(const QString& text)
{
    return DataDigest::MD5(cStringBytes(text));
}

QString SHA1(const QString& text)
{
    return DataDigest::SHA1(cStringBytes(text));
}

QString SHA256(const QString& text)
{
    return DataDigest::SHA256(cStringBytes(text));
}

QString SHA512(const QString& text)
{
    return DataDigest::SHA512(cStringBytes(text));
}

} // namespace StringDigest
