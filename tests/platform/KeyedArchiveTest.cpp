#include "platform/Color.h"
#include "platform/FontDescription.h"
#include "platform/KeyedArchive.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "platform/SortDescriptor.h"
#include "support/ScopedTmpfs.h"

#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QUrl>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString& path)
{
    QByteArray bytes;
    const int fd = plat::Path::open(path, O_RDONLY);
    if (fd < 0)
        return bytes;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, n);
    ::close(fd);
    return bytes;
}

plat::ArchivedObject sample()
{
    plat::KeyedArchiver inner(QStringLiteral("MivToolDef"));
    inner.encodeObject(QStringLiteral("name"), QStringLiteral("grep"));
    inner.encodeInt32(QStringLiteral("kind"), -3);

    plat::KeyedArchiver root(QStringLiteral("Root"));
    root.encodeBool(QStringLiteral("yes"), true);
    root.encodeBool(QStringLiteral("no"), false);
    root.encodeInt32(QStringLiteral("i32"), -2147483647 - 1);
    root.encodeInt64(QStringLiteral("i64"), std::numeric_limits<qint64>::min());
    root.encodeObject(QStringLiteral("u64"), QVariant(quint64(0x80000000u | 0x0201u)));
    root.encodeDouble(QStringLiteral("real"), 12.5);
    root.encodeObject(QStringLiteral("text"), QStringLiteral("caf\u00E9 <&> \U0001F600"));
    root.encodeObject(QStringLiteral("absent"), QVariant());
    root.encodeObject(QStringLiteral("nullString"), QString());
    root.encodeObject(QStringLiteral("data"), QByteArray("\0\1\2\xff", 4));
    root.encodeObject(QStringLiteral("date"), QDateTime::fromMSecsSinceEpoch(1796000000000, QTimeZone::utc()));
    root.encodeObject(QStringLiteral("url"), QUrl::fromEncoded("file:///tmp/caf%E9.txt"));
    root.encodeObject(QStringLiteral("rgba"), QVariant::fromValue(plat::Color::fromRgba(QColor(10, 20, 30, 40))));
    root.encodeObject(QStringLiteral("system"), QVariant::fromValue(plat::Color::fromSystem(plat::SystemColor::SystemRed)));
    root.encodeObject(QStringLiteral("font"), QVariant::fromValue(plat::FontDescription{QStringLiteral("DejaVu Sans Mono"), 11.5}));
    root.encodeObject(QStringLiteral("sort"), QVariant::fromValue(plat::SortDescriptor{QStringLiteral("extenssion"), false,
                                                                                     plat::SortDescriptor::Comparison::LocalizedStandard}));
    root.encodeObject(QStringLiteral("list"), QVariantList{1, QStringLiteral("two"), QVariant::fromValue(inner.object()), QVariant()});
    // Stored keys that look like tags must come back as plain keys.
    root.encodeObject(QStringLiteral("map"), QVariantMap{{QStringLiteral("$class"), QStringLiteral("null")},
                                                         {QStringLiteral("$$x"), 1},
                                                         {QStringLiteral("plain"), QVariantMap{}}});
    root.encodeObject(QStringLiteral("$class"), QStringLiteral("a key, not a tag"));
    root.encodeObject(QStringLiteral("tool"), inner.object());
    return root.object();
}

TEST(KeyedArchiveTest, EveryKindOfValueRoundTrips)
{
    const plat::ArchivedObject root = sample();
    plat::Error error;
    const auto xml = plat::KeyedArchive::toXml(root, &error);
    ASSERT_TRUE(xml) << error.description().toStdString();
    const auto back = plat::KeyedArchive::fromXml(*xml, &error);
    ASSERT_TRUE(back) << error.description().toStdString();

    // Null QString and invalid QVariant are both the absent object.
    plat::ArchivedObject expected = root;
    for (auto& entry : expected.entries) {
        if (entry.first == QLatin1String("nullString"))
            entry.second = QVariant();
    }
    ASSERT_EQ(back->entries.size(), expected.entries.size());
    for (qsizetype i = 0; i < expected.entries.size(); ++i) {
        EXPECT_EQ(back->entries[i].first, expected.entries[i].first) << "keys keep their order";
        const QVariant& a = back->entries[i].second;
        const QVariant& e = expected.entries[i].second;
        if (e.metaType().id() == QMetaType::Int || e.metaType().id() == QMetaType::ULongLong)
            EXPECT_EQ(plat::KeyedUnarchiver::unsignedValue(a), plat::KeyedUnarchiver::unsignedValue(e)) << e.typeName();
        else if (e.metaType().id() == QMetaType::QVariantList)
            EXPECT_EQ(a.toList().size(), e.toList().size());
        else
            EXPECT_TRUE(a == e) << expected.entries[i].first.toStdString();
    }
    plat::KeyedUnarchiver reader(*back);
    EXPECT_EQ(reader.className(), QStringLiteral("Root"));
    EXPECT_TRUE(reader.decodeBool(QStringLiteral("yes")));
    EXPECT_EQ(reader.decodeInt32(QStringLiteral("i32")), -2147483647 - 1);
    EXPECT_EQ(reader.decodeInt64(QStringLiteral("i64")), std::numeric_limits<qint64>::min());
    EXPECT_TRUE(reader.containsValueForKey(QStringLiteral("absent")));
    EXPECT_FALSE(reader.decodeObject(QStringLiteral("absent")).isValid());
    EXPECT_FALSE(reader.containsValueForKey(QStringLiteral("missing")));
    EXPECT_EQ(reader.decodeObject(QStringLiteral("$class")).toString(), QStringLiteral("a key, not a tag"));
    const QVariantMap map = reader.decodeObject(QStringLiteral("map")).toMap();
    EXPECT_EQ(map.value(QStringLiteral("$class")).toString(), QStringLiteral("null"));
    EXPECT_EQ(map.value(QStringLiteral("$$x")).toLongLong(), 1);
    const auto tool = reader.decodeObjectOfClass(QStringLiteral("tool"), QStringLiteral("MivToolDef"));
    ASSERT_TRUE(tool);
    EXPECT_EQ(plat::KeyedUnarchiver(*tool).decodeInt32(QStringLiteral("kind")), -3);
    EXPECT_FALSE(reader.decodeObjectOfClass(QStringLiteral("tool"), QStringLiteral("Other")));
    const QVariantList list = reader.decodeObject(QStringLiteral("list")).toList();
    ASSERT_EQ(list.size(), 4);
    EXPECT_EQ(list[2].value<plat::ArchivedObject>(), tool);
    EXPECT_FALSE(list[3].isValid());
}

TEST(KeyedArchiveTest, RefusesWhatItCannotCarry)
{
    plat::KeyedArchiver root(QStringLiteral("Root"));
    root.encodeObject(QStringLiteral("point"), QVariant(QPoint(1, 2)));
    plat::Error error;
    EXPECT_FALSE(plat::KeyedArchive::toXml(root.object(), &error));
    EXPECT_EQ(error.domain(), QStringLiteral("NSCocoaErrorDomain"));

    QVariant deep = QVariantList{};
    for (int i = 0; i < plat::KeyedArchive::kMaxDepth + 5; ++i)
        deep = QVariantList{deep};
    plat::KeyedArchiver tooDeep(QStringLiteral("Root"));
    tooDeep.encodeObject(QStringLiteral("deep"), deep);
    EXPECT_FALSE(plat::KeyedArchive::toXml(tooDeep.object(), &error));
}

TEST(KeyedArchiveTest, RejectsMalformedArchives)
{
    const auto plist = [](const QByteArray& body) {
        return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">") + body + "</plist>";
    };
    QByteArray deep;
    for (int i = 0; i < plat::KeyedArchive::kMaxDepth + 5; ++i)
        deep += "<array>";
    deep += "<true/>";
    for (int i = 0; i < plat::KeyedArchive::kMaxDepth + 5; ++i)
        deep += "</array>";
    const QByteArray cases[] = {
        "",
        "not xml at all",
        plist("<array/>"),
        plist("<dict><key>a</key><true/></dict>"), // no "$class" at the root
        plist("<dict><key>$class</key><integer>3</integer></dict>"),
        plist("<dict><key>$class</key><string>R</string><key>u</key><dict><key>$class</key><string>url</string></dict></dict>"),
        plist("<dict><key>$class</key><string>R</string><key>c</key><dict><key>$class</key><string>color</string>"
              "<key>system</key><string>noSuchColor</string></dict></dict>"),
        plist("<dict><key>$class</key><string>R</string><key>s</key><dict><key>$class</key><string>sortDescriptor</string>"
              "<key>key</key><string>name</string><key>ascending</key><true/><key>comparison</key><string>odd</string></dict></dict>"),
        plist("<dict><key>$class</key><string>R</string><key>d</key>" + deep + "</dict>"),
    };
    for (const QByteArray& xml : cases) {
        plat::Error error;
        EXPECT_FALSE(plat::KeyedArchive::fromXml(xml, &error)) << xml.left(200).toStdString();
        EXPECT_TRUE(error.is("NSCocoaErrorDomain", 259)) << error.description().toStdString();
    }
    // A NUL byte inside a string ends it; the library's plain string
    // getter would abort the program on it.
    {
        plat::Error nulError;
        const auto withNul = plat::KeyedArchive::fromXml(
            plist(QByteArray("<dict><key>$class</key><string>R</string><key>ab</key><string>x\0y</string></dict>", 81)), &nulError);
        ASSERT_TRUE(withNul) << nulError.description().toStdString();
        ASSERT_EQ(withNul->entries.size(), 1);
        EXPECT_EQ(withNul->entries[0].second.toString(), QStringLiteral("x")) << "the text ends at the NUL";
    }
    // Out-of-range colour channels are clamped rather than refused.
    plat::Error error;
    const auto clamped = plat::KeyedArchive::fromXml(
        plist("<dict><key>$class</key><string>R</string><key>c</key><dict><key>$class</key><string>color</string>"
              "<key>red</key><real>7</real><key>green</key><real>-1</real><key>blue</key><integer>0</integer>"
              "<key>alpha</key><real>1</real></dict></dict>"),
        &error);
    ASSERT_TRUE(clamped);
    EXPECT_EQ(plat::KeyedUnarchiver(*clamped).decodeObject(QStringLiteral("c")).value<plat::Color>().rgba(), QColor(255, 0, 0));
}

TEST(KeyedArchiveTest, FilesAreReplacedWholeAndPrivately)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("settings.plist"));
    plat::Error error;
    EXPECT_FALSE(plat::KeyedArchive::readFile(path, &error));
    EXPECT_TRUE(error.isNull()) << "no file is no error";

    ASSERT_TRUE(plat::KeyedArchive::writeFile(path, sample(), &error)) << error.description().toStdString();
    struct stat st {};
    ASSERT_EQ(::stat(plat::Path::toNative(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    const auto back = plat::KeyedArchive::readFile(path, &error);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->entries.size(), sample().entries.size());
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("settings.plist")})
        << "no temporary file is left";

    // A file that does not decode is moved aside, not lost and not reused.
    const int fd = plat::Path::open(path, O_WRONLY | O_TRUNC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "<plist>garbage", 14), 14);
    ::close(fd);
    EXPECT_FALSE(plat::KeyedArchive::readFile(path, &error));
    EXPECT_TRUE(error.is("NSCocoaErrorDomain", 259));
    const QStringList names = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
    ASSERT_EQ(names.size(), 1);
    EXPECT_TRUE(names[0].startsWith(QStringLiteral("settings.plist.unreadable-")));
    EXPECT_EQ(readAll(folder.filePath(names[0])), QByteArray("<plist>garbage"));

    // A FIFO in its place neither hangs the reader nor is moved.
    ASSERT_EQ(::mkfifo(plat::Path::toNative(path).constData(), 0600), 0);
    EXPECT_FALSE(plat::KeyedArchive::readFile(path, &error));
    EXPECT_TRUE(error.is("NSCocoaErrorDomain", 259));
    struct stat fifo {};
    EXPECT_EQ(::lstat(plat::Path::toNative(path).constData(), &fifo), 0);
    EXPECT_TRUE(S_ISFIFO(fifo.st_mode));
}

TEST(KeyedArchiveTest, AFullDiskKeepsThePreviousFile)
{
    QTemporaryDir folder;
    const QString mount = folder.filePath(QStringLiteral("volume"));
    ASSERT_TRUE(QDir().mkpath(mount));
    mivtest::ScopedTmpfs tmpfsMount(mount);
    if (!tmpfsMount.mounted())
        GTEST_SKIP() << tmpfsMount.whyNot();

    const QString path = mount + QStringLiteral("/settings.plist");
    plat::Error error;
    ASSERT_TRUE(plat::KeyedArchive::writeFile(path, sample(), &error));
    const QByteArray before = readAll(path);

    plat::KeyedArchiver big(QStringLiteral("Root"));
    big.encodeObject(QStringLiteral("blob"), QByteArray(2 * 1024 * 1024, 'x'));
    EXPECT_FALSE(plat::KeyedArchive::writeFile(path, big.object(), &error));
    EXPECT_TRUE(error.is("NSCocoaErrorDomain", 640)) << error.description().toStdString();
    EXPECT_EQ(readAll(path), before);
    EXPECT_EQ(QDir(mount).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("settings.plist")});
}

} // namespace
