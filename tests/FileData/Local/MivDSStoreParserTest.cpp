#include "FileData/Local/MivDSStoreParser.h"

#include "platform/Path.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <optional>

namespace {

// Writes view-settings files in their binary layout, so each case shows the
// bytes it is about.
class DSStoreBuilder
{
public:
    static QByteArray be32(quint32 value)
    {
        QByteArray bytes(4, '\0');
        qToBigEndian(value, bytes.data());
        return bytes;
    }

    static QByteArray utf16(const QString& text)
    {
        QByteArray bytes;
        for (const QChar c : text) {
            bytes.append(char(c.unicode() >> 8));
            bytes.append(char(c.unicode() & 0xFF));
        }
        return bytes;
    }

    static QByteArray record(const QString& name, const char* code, const char* type, const QByteArray& value, bool prefixed = false)
    {
        return (prefixed ? QByteArray(4, '\x7F') : QByteArray()) + be32(quint32(name.size())) + utf16(name) + QByteArray(code, 4)
               + QByteArray(type, 4) + value;
    }

    static QByteArray block(const QList<QByteArray>& records, quint8 flags = 0, std::optional<qint32> count = std::nullopt)
    {
        QByteArray bytes(7, '\0');
        bytes.append(char(flags));
        bytes.append(be32(quint32(count.value_or(qint32(records.size())))));
        for (const QByteArray& r : records)
            bytes.append(r);
        return bytes;
    }

    // Header, the address list (ended by 0 unless `terminated` is false),
    // then the blocks at 16-byte boundaries; the low 4 bits of each address
    // carry noise the reader must ignore.
    static QByteArray file(const QList<QByteArray>& blocks, bool terminated = true)
    {
        QByteArray bytes = QByteArray("\0\0\0\1Bud1", 8) + QByteArray(12, '\0');
        qsizetype start = 20 + 4 * (blocks.size() + 1);
        start = (start + 15) & ~qsizetype(15);
        QByteArray body;
        QList<quint32> addresses;
        for (const QByteArray& b : blocks) {
            addresses.append(quint32(start + body.size()));
            body.append(b);
            body.append(QByteArray((16 - b.size() % 16) % 16, '\0'));
        }
        for (qsizetype i = 0; i < addresses.size(); ++i)
            bytes.append(be32(addresses[i] | quint32(i & 0xF)));
        if (!terminated)
            return bytes;
        bytes.append(be32(0));
        bytes.append(QByteArray(start - bytes.size(), '\0'));
        return bytes + body;
    }
};

using B = DSStoreBuilder;

// A binary property list of one dictionary {"ShowSidebar": true}.
QByteArray binaryPlist()
{
    return QByteArray::fromHex("62706c6973743030d101025b53686f77536964656261720908"
                               "0b17000000000000010100000000000000030000000000000000"
                               "0000000000000018");
}

TEST(MivDSStoreParserTest, ValuesOfEveryType)
{
    const QByteArray data = B::file({B::block({
        B::record(QStringLiteral("a.txt"), "dilc", "bool", QByteArray("\2", 1)),
        B::record(QStringLiteral("a.txt"), "ICVO", "long", B::be32(quint32(-7))),
        B::record(QStringLiteral("a.txt"), "fwsw", "shor", B::be32(180)),
        B::record(QStringLiteral("b"), "lg1S", "comp", QByteArray::fromHex("000000000000007b")),
        B::record(QStringLiteral("b"), "moDD", "dutc", QByteArray::fromHex("fffffffffffffffb")),
        B::record(QStringLiteral("b"), "vstl", "type", QByteArray("icnv")),
        B::record(QStringLiteral("ž c"), "cmmt", "ustr", B::be32(3) + B::utf16(QStringLiteral("é€!"))),
        B::record(QStringLiteral("."), "Iloc", "blob", B::be32(3) + QByteArray("\1\2\3")),
    })});
    const auto result = MivDSStoreParser::parseSectionsForBuffer(data);
    ASSERT_TRUE(result);
    const QVariantMap a = result->value(QStringLiteral("a.txt")).toMap();
    EXPECT_EQ(a.value(QStringLiteral("dilc")), QVariant(true));
    EXPECT_EQ(a.value(QStringLiteral("ICVO")), QVariant(qint32(-7)));
    EXPECT_EQ(a.value(QStringLiteral("fwsw")), QVariant(qint32(180)));
    const QVariantMap b = result->value(QStringLiteral("b")).toMap();
    EXPECT_EQ(b.value(QStringLiteral("lg1S")), QVariant(123.0));
    EXPECT_EQ(b.value(QStringLiteral("moDD")), QVariant(-5.0));
    EXPECT_EQ(b.value(QStringLiteral("vstl")), QVariant(QStringLiteral("icnv")));
    // Exactly the three units: the record after it still reads.
    EXPECT_EQ(result->value(QStringLiteral("ž c")).toMap().value(QStringLiteral("cmmt")), QVariant(QStringLiteral("é€!")));
    EXPECT_EQ(result->value(QStringLiteral(".")).toMap().value(QStringLiteral("Iloc")), QVariant(QByteArray("\1\2\3")));
}

TEST(MivDSStoreParserTest, PropertyListBlobs)
{
    const QByteArray plist = binaryPlist();
    const QByteArray junk("not a property list");
    const auto result = MivDSStoreParser::parseSectionsForBuffer(B::file({B::block({
        B::record(QStringLiteral("."), "bwsp", "blob", B::be32(quint32(plist.size())) + plist),
        B::record(QStringLiteral("."), "icvp", "blob", B::be32(quint32(junk.size())) + junk),
        B::record(QStringLiteral("x"), "pict", "blob", B::be32(quint32(plist.size())) + plist),
    })}));
    ASSERT_TRUE(result);
    const QVariantMap folder = result->value(QStringLiteral(".")).toMap();
    EXPECT_EQ(folder.value(QStringLiteral("bwsp")), QVariant(QVariantMap{{QStringLiteral("ShowSidebar"), true}}));
    EXPECT_EQ(folder.value(QStringLiteral("icvp")), QVariant(junk)) << "a blob that does not parse stays data";
    EXPECT_EQ(result->value(QStringLiteral("x")).toMap().value(QStringLiteral("pict")), QVariant(plist)) << "other codes stay data";
}

TEST(MivDSStoreParserTest, PropertyListsTheLibraryCannotReadStayData)
{
    // A dictionary key holding U+0000, in binary and in XML: the property-list
    // library would abort the process on it.
    const QByteArray binaryKey = QByteArray::fromHex("62706c6973743030d101025361006209080b0f000000000000010100000000000000"
                                                     "0300000000000000000000000000000010");
    const QByteArray xmlKey("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a&#x0000;b</key><true/></dict></plist>");
    for (const QByteArray& plist : {binaryKey, xmlKey}) {
        const auto result = MivDSStoreParser::parseSectionsForBuffer(
            B::file({B::block({B::record(QStringLiteral("."), "lsvp", "blob", B::be32(quint32(plist.size())) + plist)})}));
        ASSERT_TRUE(result);
        EXPECT_EQ(result->value(QStringLiteral(".")).toMap().value(QStringLiteral("lsvp")), QVariant(plist));
    }
}

TEST(MivDSStoreParserTest, BlocksEndAtTheirFirstBadRecord)
{
    const auto result = MivDSStoreParser::parseSectionsForBuffer(B::file({
        B::block({B::record(QStringLiteral("a"), "cmmt", "ustr", B::be32(1) + B::utf16(QStringLiteral("1"))),
                  B::record(QStringLiteral("a"), "xxxx", "what", QByteArray("\0\0\0\0", 4)),
                  B::record(QStringLiteral("lost"), "dilc", "bool", QByteArray("\1", 1))}),
        // Flag 0x02: four bytes before each record; a count beyond the records.
        B::block({B::record(QStringLiteral("b"), "dilc", "bool", QByteArray("\0", 1), true),
                  B::record(QStringLiteral("b"), "dilc", "bool", QByteArray("\1", 1), true)},
                 0x02, 1000),
    }));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->value(QStringLiteral("a")).toMap(), (QVariantMap{{QStringLiteral("cmmt"), QStringLiteral("1")}}));
    EXPECT_FALSE(result->contains(QStringLiteral("lost")));
    // The same name and code twice: the later value wins.
    EXPECT_EQ(result->value(QStringLiteral("b")).toMap(), (QVariantMap{{QStringLiteral("dilc"), true}}));
}

TEST(MivDSStoreParserTest, MalformedFilesGiveNothingOrLessNeverMore)
{
    const QByteArray valid = B::file({B::block({B::record(QStringLiteral("a"), "dilc", "bool", QByteArray("\1", 1))})});
    struct Case
    {
        const char* what;
        QByteArray bytes;
        std::optional<int> names;  // nullopt: no result at all
    };
    const QByteArray ustrPastEnd = B::file({B::block({B::record(QStringLiteral("a"), "cmmt", "ustr", B::be32(0x7FFFFFFF))})});
    const QByteArray blobPastEnd = B::file({B::block({B::record(QStringLiteral("a"), "bwsp", "blob", B::be32(0xFFFFFFFF))})});
    QByteArray addressPastEnd = valid;
    addressPastEnd.replace(20, 4, B::be32(0x7FFFFFF0));
    const Case cases[] = {
        {"shorter than 24 bytes", valid.left(23), std::nullopt},
        {"an address list that is only 0", B::file({}), 0},
        {"an address list without its 0 word", B::file({B::block({})}, false), std::nullopt},
        {"a block beyond the data", addressPastEnd, std::nullopt},
        {"a string longer than the data", ustrPastEnd, 0},
        {"a blob longer than the data", blobPastEnd, 0},
        {"a name longer than the data", B::file({B::block({B::be32(0x40000000) + QByteArray("ab")})}), 0},
        {"a negative record count", B::file({B::block({B::record(QStringLiteral("a"), "dilc", "bool", "\1")}, 0, -5)}), 0},
    };
    for (const Case& c : cases) {
        const auto result = MivDSStoreParser::parseSectionsForBuffer(c.bytes);
        EXPECT_EQ(result.has_value(), c.names.has_value()) << c.what;
        if (result && c.names)
            EXPECT_EQ(result->size(), *c.names) << c.what;
    }
}

TEST(MivDSStoreParserTest, ReadsTheFileOfAFolder)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    EXPECT_FALSE(MivDSStoreParser::parseForPath(folder.path())) << "no file";

    const auto write = [&folder](const QByteArray& bytes) {
        QFile file(folder.filePath(QStringLiteral(".DS_Store")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    };
    write(B::file({B::block({B::record(QStringLiteral("a"), "dilc", "bool", QByteArray("\1", 1))})}));
    const auto result = MivDSStoreParser::parseForPath(folder.path());
    ASSERT_TRUE(result);
    EXPECT_EQ(result->value(QStringLiteral("a")).toMap().value(QStringLiteral("dilc")), QVariant(true));

    write(QByteArray("\0\0\0\1Bud1", 8) + QByteArray(13, '\0'));
    EXPECT_FALSE(MivDSStoreParser::parseForPath(folder.path())) << "21 bytes with a correct header";
    QByteArray wrongMagic = B::file({});
    wrongMagic[4] = 'b';
    write(wrongMagic);
    EXPECT_FALSE(MivDSStoreParser::parseForPath(folder.path()));
}

} // namespace
