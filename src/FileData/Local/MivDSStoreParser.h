#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantMap>

#include <optional>

// Reads the hidden per-folder view settings file ".DS_Store" that another
// desktop leaves in folders (shared drives, copied disks): for each file
// name, a map from record code (four characters, "bwsp", "icvp", ...) to its
// value. Read only, no state. The file comes from anywhere, so every read is
// bounds-checked: malformed data gives no result or ends its block, never
// reads past the buffer.
class MivDSStoreParser
{
public:
    // The records of "<folder>/.DS_Store"; nullopt when the file cannot be
    // read or has no valid header.
    static std::optional<QVariantMap> parseForPath(const QString& folderPath);
    // The records of a whole file's bytes (header not checked here).
    static std::optional<QVariantMap> parseSectionsForBuffer(const QByteArray& buffer);
    // One value of the given record type at the cursor, moving the cursor
    // past it; an invalid QVariant (and the cursor unchanged) for an unknown
    // type or a value that would reach past the end.
    static QVariant parseChunk(qsizetype& cursor, const QByteArray& buffer, quint32 attr, quint32 type);

    // A four-character code as a number, big-endian ("bwsp" -> 0x62777370).
    static constexpr quint32 fourCharCode(const char (&code)[5])
    {
        return quint32(quint8(code[0])) << 24 | quint32(quint8(code[1])) << 16 | quint32(quint8(code[2])) << 8
            | quint32(quint8(code[3]));
    }
};
