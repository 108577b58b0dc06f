#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <sys/types.h>

namespace plat {

// The one place where a path changes between the program's text (QString)
// and the bytes the kernel knows.
//
// Linux file names are bytes, not text: "caf\xE9.txt" (Latin-1) is a valid
// name that no UTF-8 decoder can represent. The codec is UTF-8 with an
// escape: every byte that is not part of a well-formed UTF-8 sequence
// becomes the lone surrogate U+DC00 + byte (U+DC80-U+DCFF), and the encoder
// turns such a surrogate back into its byte. So
//   toNative(fromNative(b)) == b          for every byte string b, and
//   fromNative(toNative(s)) == s          for every s that fromNative made
// (and for every s without lone surrogates). A string that spells the
// escape of bytes that would form valid UTF-8 (U+DCC3 U+DCA9) encodes to
// those bytes and comes back as the decoded character; such strings never
// come out of fromNative. Lone surrogates outside U+DC80-U+DCFF have no byte
// to stand for: toNative writes their generalised three-byte UTF-8 form,
// the same bytes as the escapes of those three bytes (U+D800 and
// U+DCED U+DCA0 U+DC80 both give ED A0 80). Such a string is broken text,
// not a name: isNameable refuses it, so the system calls below and
// toFileUrl never act on the file the escapes name.
//
// QFile::encodeName, toLocal8Bit, toUtf8 and QUrl::fromLocalFile lose such
// names: never use them on paths.
class Path
{
public:
    Path() = delete;

    static QByteArray toNative(const QString& path);
    static QString fromNative(const QByteArray& bytes);
    static QString fromNative(const char* bytes);

    // "file://" + the percent-encoding of toNative(path): every byte except
    // the unreserved characters (A-Z a-z 0-9 - . _ ~) and "/" is escaped,
    // with upper-case hex digits. This is the form in which a local path
    // leaves the process or is stored. A relative path is taken against the
    // current folder (else its first component would read as a host); an
    // empty path, or one that is not nameable, gives a null string.
    static QString toFileUrl(const QString& path);
    // The same as a QUrl (held in its encoded form; read it back with
    // toString(QUrl::FullyEncoded) or fromFileUrl, never with toLocalFile).
    static QUrl toFileQUrl(const QString& path);

    // The path of a file URL: fromNative of the percent-decoded bytes of its
    // path. Accepts "file:///p", "file://localhost/p" and "file:/p"; a query
    // or fragment is not part of the path. Anything else (another scheme,
    // another host, no path) gives a null string.
    static QString fromFileUrl(const QString& url);
    static QString fromFileUrl(const QUrl& url);

    // Percent-encoding of raw bytes as toFileUrl writes them, and its
    // inverse (malformed escapes stay as they are).
    static QByteArray percentEncode(const QByteArray& bytes);
    static QByteArray percentDecode(const QByteArray& encoded);

    // System calls through the codec. A path that holds U+0000 or a lone
    // surrogate outside U+DC80-U+DCFF cannot be named to the kernel: these
    // fail with EINVAL instead of acting on a truncated path or on the file
    // that another string names. Failures leave errno set.
    static int open(const QString& path, int flags, mode_t mode = 0);
    static int mkdir(const QString& path, mode_t mode);
    // mkdir of every missing folder along the path; true when the path is a
    // folder at the end. errno tells why not.
    static bool makePath(const QString& path, mode_t mode);
    // realpath(3) with a buffer the C library allocates (paths may exceed
    // any fixed size); a null string on failure.
    static QString realPath(const QString& path);

    // True when the path can be given to the kernel: no NUL, and every lone
    // surrogate stands for a byte (U+DC80-U+DCFF).
    static bool isNameable(const QString& path);
};

} // namespace plat
