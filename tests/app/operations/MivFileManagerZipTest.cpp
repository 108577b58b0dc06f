#include "app/operations/MivFileManager.h"

#include "FileData/MivErrorPresenter.h"
#include "platform/Path.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <zip.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

QByteArray native(const QString& path) { return plat::Path::toNative(path); }

void writeFile(const QString& path, const QByteArray& bytes, mode_t mode = 0644)
{
    const int fd = plat::Path::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    ASSERT_GE(fd, 0) << path.toStdString();
    ASSERT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
    ::close(fd);
}

QByteArray readFile(const QString& path)
{
    const int fd = plat::Path::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return QByteArray("<missing>");
    QByteArray bytes(4096, '\0');
    const ssize_t length = ::read(fd, bytes.data(), size_t(bytes.size()));
    ::close(fd);
    bytes.resize(length < 0 ? 0 : qsizetype(length));
    return bytes;
}

// An archive written entry by entry, as another program might have made it.
struct RawEntry
{
    QByteArray name;
    QByteArray data;
    bool link = false;
};

void writeRawZip(const QString& path, const QList<RawEntry>& entries)
{
    int error = 0;
    zip_t* archive = zip_open(native(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_TRUE(archive);
    for (const RawEntry& entry : entries) {
        void* copy = malloc(size_t(entry.data.size()) + 1);
        memcpy(copy, entry.data.constData(), size_t(entry.data.size()));
        zip_source_t* source = zip_source_buffer(archive, copy, zip_uint64_t(entry.data.size()), 1);
        const zip_int64_t index = zip_file_add(archive, entry.name.constData(), source, ZIP_FL_ENC_RAW);
        ASSERT_GE(index, 0) << entry.name.toStdString();
        if (entry.link)
            zip_file_set_external_attributes(archive, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX, zip_uint32_t(S_IFLNK | 0777) << 16);
    }
    ASSERT_EQ(zip_close(archive), 0);
}

class MivFileManagerZipTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString path(const QString& relative) const { return m_dir.filePath(relative); }
    QTemporaryDir m_dir;
};

TEST_F(MivFileManagerZipTest, PackAndUnpackKeepNamesModesAndLinks)
{
    const QString source = path(QStringLiteral("src"));
    ASSERT_TRUE(QDir().mkpath(source + QStringLiteral("/sub/empty")));
    // A name that is not UTF-8 must come back byte for byte.
    const QString odd = plat::Path::fromNative(QByteArray("caf\xE9 a;b.txt"));
    writeFile(source + u'/' + odd, "odd");
    writeFile(source + QStringLiteral("/sub/secret"), "0600", 0600);
    ASSERT_EQ(::symlink("sub/secret", native(source + QStringLiteral("/link")).constData()), 0);

    const QString zip = path(QStringLiteral("out.zip"));
    plat::Error error;
    ASSERT_TRUE(MivFileManager::packZip({{QStringLiteral("top"), source}, {QStringLiteral("top/extra"), QString()}}, zip, &error))
        << error.description().toStdString();

    const QString into = path(QStringLiteral("into"));
    ASSERT_TRUE(QDir().mkpath(into));
    const auto top = MivFileManager::unpackZip(zip, into, &error);
    ASSERT_TRUE(top) << error.description().toStdString();
    EXPECT_EQ(*top, QStringList{QStringLiteral("top")});
    EXPECT_EQ(readFile(into + QStringLiteral("/top/") + odd), QByteArray("odd"));
    EXPECT_EQ(readFile(into + QStringLiteral("/top/link")), QByteArray("0600")) << "the link is a link again";
    struct stat info {};
    ASSERT_EQ(plat::Path::lstat(into + QStringLiteral("/top/sub/secret"), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(plat::Path::lstat(into + QStringLiteral("/top/link"), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_TRUE(QDir(into + QStringLiteral("/top/sub/empty")).exists());
    EXPECT_TRUE(QDir(into + QStringLiteral("/top/extra")).exists());
}

TEST_F(MivFileManagerZipTest, HostileArchivesAreRefusedBeforeAnythingIsWritten)
{
    struct Case
    {
        const char* what;
        QList<RawEntry> entries;
    };
    const Case cases[] = {
        {"absolute name", {{"ok.txt", "x"}, {"/tmp/evil", "x"}}},
        {"parent component", {{"ok.txt", "x"}, {"a/../../evil", "x"}}},
        {"dot component", {{"ok.txt", "x"}, {"a/./b", "x"}}},
        {"empty component", {{"ok.txt", "x"}, {"a//b", "x"}}},
        {"link to an absolute path", {{"ok.txt", "x"}, {"l", "/etc", true}}},
        {"link leading out", {{"ok.txt", "x"}, {"d/l", "../../etc", true}}},
        {"link through a link", {{"ok.txt", "x"}, {"a", ".", true}, {"b", "a/../x", true}}},
        {"entry below a link", {{"l", "sub", true}, {"l/evil", "x"}}},
    };
    for (const Case& c : cases) {
        const QString zip = path(QStringLiteral("hostile.zip"));
        writeRawZip(zip, c.entries);
        const QString into = path(QStringLiteral("into-%1").arg(QString::fromLatin1(c.what).replace(u' ', u'-')));
        ASSERT_TRUE(QDir().mkpath(into));
        plat::Error error;
        EXPECT_FALSE(MivFileManager::unpackZip(zip, into, &error)) << c.what;
        EXPECT_TRUE(error.is(MivFileOperationErrorDomain, -303)) << c.what << ": " << error.description().toStdString();
        EXPECT_TRUE(QDir(into).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) << c.what;
    }

    // A link that stays inside is fine.
    const QString zip = path(QStringLiteral("fine.zip"));
    writeRawZip(zip, {{"d/f", "x"}, {"d/l", "../d/f", true}});
    const QString into = path(QStringLiteral("fine"));
    ASSERT_TRUE(QDir().mkpath(into));
    EXPECT_TRUE(MivFileManager::unpackZip(zip, into, nullptr));
    EXPECT_EQ(readFile(into + QStringLiteral("/d/l")), QByteArray("x"));
}

TEST_F(MivFileManagerZipTest, AFailedPackLeavesNoArchive)
{
    const QString zip = path(QStringLiteral("out.zip"));
    writeFile(zip, "previous");
    plat::Error error;
    EXPECT_FALSE(MivFileManager::packZip({{QStringLiteral("x"), path(QStringLiteral("missing"))}}, zip, &error));
    EXPECT_FALSE(error.isNull());
    EXPECT_EQ(readFile(zip), QByteArray("previous"));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size(), 1);

    EXPECT_FALSE(MivFileManager::unpackZip(zip, m_dir.path(), &error)) << "not an archive";
}

} // namespace
