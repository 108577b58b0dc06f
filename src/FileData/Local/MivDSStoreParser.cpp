#include "FileData/Local/MivDSStoreParser.h"

#include "platform/Path.h"
#include "platform/PathString.h"
#include "platform/PropertyList.h"
#include "platform/ReadAll.h"

#include <QtEndian>

#include <fcntl.h>
#include <unistd.h>

namespace {

// A view-settings file is a few kilobytes; anything far larger is not one,
// and is not worth reading into memory.
constexpr qint64 kMaxFileSize = 64 * 1024 * 1024;

// True when `count` bytes at `offset` lie inside the buffer; the sums never
// overflow since every term is checked against the length first.
bool fits(const QByteArray& buffer, qint64 offset, qint64 count)
{
    return offset >= 0 && count >= 0 && offset <= buffer.size() && count <= buffer.size() - offset;
}

quint32 word(const QByteArray& buffer, qint64 offset)
{
    return qFromBigEndian<quint32>(buffer.constData() + offset);
}

QString utf16BigEndian(const QByteArray& buffer, qint64 offset, qint64 units)
{
    QString text(qsizetype(units), Qt::Uninitialized);
    for (qint64 i = 0; i < units; ++i)
        text[qsizetype(i)] = QChar(qFromBigEndian<quint16>(buffer.constData() + offset + 2 * i));
    return text;
}

QString latin1Code(quint32 code)
{
    const char bytes[4] = {char(code >> 24), char(code >> 16), char(code >> 8), char(code)};
    return QString::fromLatin1(bytes, 4);
}

bool isPropertyListBlob(quint32 attr)
{
    using P = MivDSStoreParser;
    return attr == P::fourCharCode("bwsp") || attr == P::fourCharCode("icvp") || attr == P::fourCharCode("icvP")
        || attr == P::fourCharCode("lsvp") || attr == P::fourCharCode("lsvP");
}

} // namespace

std::optional<QVariantMap> MivDSStoreParser::parseForPath(const QString& folderPath)
{
    const QString path = plat::PathString::appendingPathComponent(folderPath, QStringLiteral(".DS_Store"));
    const int fd = plat::Path::open(path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    QByteArray bytes;
    const int status = plat::readAll(fd, &bytes, kMaxFileSize);
    ::close(fd);
    static const char kHeader[8] = {0, 0, 0, 1, 'B', 'u', 'd', '1'};
    if (status != 0 || bytes.size() < 20 || memcmp(bytes.constData(), kHeader, sizeof kHeader) != 0)
        return std::nullopt;
    return parseSectionsForBuffer(bytes);
}

QVariant MivDSStoreParser::parseChunk(qsizetype& cursor, const QByteArray& buffer, quint32 attr, quint32 type)
{
    const qint64 at = cursor;
    const auto take = [&cursor, at](qint64 size, QVariant value) {
        cursor = qsizetype(at + size);
        return value;
    };
    if (type == fourCharCode("bool")) {
        if (!fits(buffer, at, 1))
            return QVariant();
        return take(1, QVariant(buffer.at(at) != 0));
    }
    if (type == fourCharCode("long") || type == fourCharCode("shor")) {
        if (!fits(buffer, at, 4))
            return QVariant();
        return take(4, QVariant(qint32(word(buffer, at))));
    }
    if (type == fourCharCode("comp") || type == fourCharCode("dutc")) {
        if (!fits(buffer, at, 8))
            return QVariant();
        return take(8, QVariant(double(qFromBigEndian<qint64>(buffer.constData() + at))));
    }
    if (type == fourCharCode("type")) {
        if (!fits(buffer, at, 4))
            return QVariant();
        return take(4, QVariant(latin1Code(word(buffer, at))));
    }
    if (type == fourCharCode("ustr")) {
        if (!fits(buffer, at, 4))
            return QVariant();
        const qint64 units = word(buffer, at);
        if (!fits(buffer, at + 4, 2 * units))
            return QVariant();
        return take(4 + 2 * units, QVariant(utf16BigEndian(buffer, at + 4, units)));
    }
    if (type == fourCharCode("blob")) {
        if (!fits(buffer, at, 4))
            return QVariant();
        const qint64 length = word(buffer, at);
        if (!fits(buffer, at + 4, length))
            return QVariant();
        const QByteArray bytes = buffer.mid(qsizetype(at + 4), qsizetype(length));
        if (isPropertyListBlob(attr)) {
            if (auto plist = plat::PropertyList::fromData(bytes))
                return take(4 + length, *plist);
        }
        return take(4 + length, QVariant(bytes));
    }
    return QVariant();
}

std::optional<QVariantMap> MivDSStoreParser::parseSectionsForBuffer(const QByteArray& buffer)
{
    if (buffer.size() < 24)
        return std::nullopt;
    // Collected per name first, so a record does not copy its name's map.
    QMap<QString, QVariantMap> byName;
    for (qint64 addressAt = 20;; addressAt += 4) {
        if (!fits(buffer, addressAt, 4))
            return std::nullopt;
        const quint32 address = word(buffer, addressAt);
        if (address == 0) {
            QVariantMap result;
            for (auto it = byName.cbegin(); it != byName.cend(); ++it)
                result.insert(it.key(), it.value());
            return result;
        }
        const qint64 block = address & ~quint32(0xF);
        if (!fits(buffer, block, 12))
            return std::nullopt;
        const bool skipsPrefix = (quint8(buffer.at(block + 7)) & 0x02) != 0;
        const qint32 count = qint32(word(buffer, block + 8));
        qsizetype cursor = qsizetype(block + 12);
        for (qint32 record = 0; record < count; ++record) {
            if (skipsPrefix)
                cursor += 4;
            if (!fits(buffer, cursor, 4))
                break;
            const qint64 units = word(buffer, cursor);
            if (!fits(buffer, cursor + 4, 2 * units + 8))
                break;
            const QString name = utf16BigEndian(buffer, cursor + 4, units);
            const qint64 codeAt = cursor + 4 + 2 * units;
            const quint32 attr = word(buffer, codeAt);
            const quint32 type = word(buffer, codeAt + 4);
            cursor = qsizetype(codeAt + 8);
            const QVariant value = parseChunk(cursor, buffer, attr, type);
            if (!value.isValid())
                break;
            byName[name].insert(latin1Code(attr), value);
        }
    }
}
