#pragma once

#include <QString>

// Digest texts of a string: the digests of DataDigest over the string's UTF-8
// bytes up to the first zero byte (C-string semantics, so an embedded NUL
// ends the input).
namespace StringDigest {

QString CRC32(const QString& text);
QString MD5(const QString& text);
QString SHA1(const QString& text);
QString SHA256(const QString& text);
QString SHA512(const QString& text);

} // namespace StringDigest
