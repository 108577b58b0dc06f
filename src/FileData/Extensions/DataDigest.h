#pragma once

#include <QByteArray>
#include <QString>

// Digest texts of a whole byte buffer in one call. Hashes come as lower-case
// hexadecimal, the CRC-32 as 8 upper-case hexadecimal digits. Streaming
// checksums of whole files, with progress, are a service of the file
// utilities.
namespace DataDigest {

QString CRC32(const QByteArray& data);
QString MD5(const QByteArray& data);
QString SHA1(const QByteArray& data);
QString SHA256(const QByteArray& data);
QString SHA512(const QByteArray& data);

} // namespace DataDigest
