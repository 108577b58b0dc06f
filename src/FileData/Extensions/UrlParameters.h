#pragma once

#include "platform/TextEncoding.h"

#include <QString>
#include <QUrl>

// Server URLs built from their parts with the program's escaping rules, read
// back without percent escapes, with passwords added or removed, child paths
// joined on, and compared loosely. Every remote location passes through here.
//
// URLs are kept in their encoded form: every text these functions take from a
// URL is read with QUrl::FullyEncoded and unescaped explicitly, so an escaped
// "/", "?" or "@" inside a component never turns into a delimiter.
//
// Encodings are the platform's settings numbers (1 ASCII, 4 UTF-8,
// 5 ISO Latin 1, ...). A null QString stands for "nil", an invalid QUrl for a
// URL that could not be made.
namespace UrlParameters {

inline constexpr int kASCIIStringEncoding = int(plat::TextEncoding::kASCII);
inline constexpr int kUTF8StringEncoding = int(plat::TextEncoding::kUTF8);
inline constexpr int kISOLatin1StringEncoding = int(plat::TextEncoding::kISOLatin1);

// --- Building ---

// The path with every character a URL does not allow (and "?" and "#", which
// would end the path) percent-escaped as bytes of the given encoding. Null for
// a null string, for an encoding that is not supported, and for a string that
// the encoding cannot represent.
QString escapePath(const QString& path, int encoding);

QUrl URLWithScheme(const QString& scheme, const QString& host, const QString& path);
QUrl URLWithScheme(const QString& scheme, const QString& user, const QString& password,
                   const QString& host, quint16 port, const QString& path);
QUrl URLWithScheme(const QString& scheme, const QString& user, const QString& password,
                   const QString& host, quint16 port, const QString& path, const QString& query);
// The builder: user and password escaped as UTF-8 (":@/?" included), host as
// given (a bare IPv6 address gets its brackets), port left out when 0, path
// and query escaped in the encoding (UTF-8 when the encoding cannot hold
// them), "/" appended to a path whose last segment is "..", then
// standardised. Invalid for an empty scheme or a text that does not parse as
// a URL.
QUrl URLWithScheme(const QString& scheme, const QString& user, const QString& password,
                   const QString& host, quint16 port, const QString& path, const QString& query,
                   int enc);

// --- Sub-paths and sub-URLs ---

QString subpathForURL(const QUrl& url, const QString& path);
// The path joined onto the base with exactly one "/" between them; the result
// always begins with "/". An empty base stands for the root.
QString subpathForPath(const QString& path, const QString& base);
// The URL with the path (escaped as UTF-8) joined onto its path. Every other
// part, and the base path, stays exactly as it is escaped in the URL, so an
// escape that is not UTF-8 or an escaped delimiter ("a%2Fb") survives.
QUrl suburlForURL(const QUrl& url, const QString& path);
// The URL with the path joined onto the base as its new path.
QUrl suburlForURL(const QUrl& url, const QString& path, const QString& base);

// --- Reading parts back ---

QString passwordByReplacingPercentEscapes(const QUrl& url);
QString queryByReplacingPercentEscapes(const QUrl& url);
QString pathByReplacingPercentEscapes(const QUrl& url);
// Null for a URL without a path; the path decoded in the encoding, null when
// its escapes are not valid in it.
QString pathByReplacingPercentEscapes(const QUrl& url, int encoding);

// The text without its percent encoding (UTF-8), or the text unchanged when
// it holds an invalid escape or the bytes are not UTF-8. Null for null.
QString safeUnescape(const QString& text);
// The text without its percent encoding (UTF-8); null for a null or empty
// text, an invalid escape or bytes that are not UTF-8.
QString unescape(const QString& text);

// --- Passwords ---

// The URL rebuilt with the password; the query is not kept.
QUrl URLByAddingPassword(const QUrl& url, const QString& password);
// The URL rebuilt without a password; the query is not kept.
QUrl URLByDeletingPassword(const QUrl& url);
// The URL rebuilt without user and password; the query is not kept.
QUrl URLByDeletingUserAndPassword(const QUrl& url);

// --- Comparison ---

// Same scheme and host (ignoring case), same port (or none on both sides),
// and the same path ignoring case; with checkContains, also when the url's
// path with "/" appended holds the other's path with "/" appended anywhere.
// False when either URL is empty or invalid.
bool isSemiEqualToURL(const QUrl& url, const QUrl& other, bool checkContains);

} // namespace UrlParameters
