#include "support/TestEnvironment.h"

#include "app/views/MivPasteboard.h"

#include "FileData/MivFileData.h"
#include "FileData/MivFileDataManager.h"
#include "platform/Path.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

class MivPasteboardTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MivFileDataManager::registerHooks();
        m_folder = mivtest::TestEnvironment::root() + QStringLiteral("/pasteboard-") +
                   QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name());
        ASSERT_TRUE(QDir().mkpath(m_folder));
    }

    QString makeFile(const QByteArray& nativeName)
    {
        const QString path = m_folder + QLatin1Char('/') + plat::Path::fromNative(nativeName);
        const int fd = ::open(plat::Path::toNative(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        EXPECT_GE(fd, 0);
        ::close(fd);
        return path;
    }

    static MivFileDataPtr item(const QString& path)
    {
        return MivFileDataManager::makeFreshInstanceForString(path, true);
    }

    static QStringList pathsOf(const QList<MivFileDataPtr>& items)
    {
        QStringList paths;
        for (const MivFileDataPtr& item : items)
            paths << item->pathKey();
        return paths;
    }

    QString m_folder;
};

TEST_F(MivPasteboardTest, FileUrlsRoundTripThroughTheClipboardIncludingANameThatIsNotUtf8)
{
    const QString plain = makeFile("plain name.txt");
    const QString latin1 = makeFile("caf\xE9 100%.txt");
    MivPasteboard::writeItems({item(plain), item(latin1)});

    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(pathsOf(MivPasteboard::resolveFileDataFromPasteboard(data)), (QStringList{plain, latin1}));
    EXPECT_EQ(MivPasteboard::filePathsOf(data), (QStringList{plain, latin1}));
    // Other programs read the URI list: escaped bytes, as file URLs are written.
    const QByteArray uris = data->data(QStringLiteral("text/uri-list"));
    EXPECT_TRUE(uris.contains("caf%E9%20100%25.txt")) << uris.constData();
    EXPECT_EQ(data->text(), plain + QLatin1Char('\n') + latin1);
}

TEST_F(MivPasteboardTest, ReadersTakeThePrivateTypeFirstThenFileNamesThenUrls)
{
    const QString a = makeFile("a");
    const QString b = makeFile("b");

    QMimeData both;
    both.setData(MivPasteboard::itemsFormat(), plat::Path::percentEncode(plat::Path::toNative(a)) + '\n');
    both.setData(QStringLiteral("text/uri-list"), plat::Path::toFileUrl(b).toLatin1() + "\r\n");
    EXPECT_EQ(pathsOf(MivPasteboard::resolveFileDataFromPasteboard(&both)), QStringList{a});

    // A private type that names nothing falls through to the file names.
    QMimeData stale;
    stale.setData(MivPasteboard::itemsFormat(), QByteArray());
    stale.setData(QStringLiteral("text/uri-list"), "# comment\r\n" + plat::Path::toFileUrl(b).toLatin1() + "\r\n");
    EXPECT_EQ(pathsOf(MivPasteboard::resolveFileDataFromPasteboard(&stale)), QStringList{b});

    QMimeData textOnly;
    textOnly.setText(a);
    EXPECT_TRUE(MivPasteboard::resolveFileDataFromPasteboard(&textOnly).isEmpty());
    EXPECT_TRUE(MivPasteboard::resolveFileDataFromPasteboard(nullptr).isEmpty());
}

TEST_F(MivPasteboardTest, NamesAndPathsAsText)
{
    const QString one = makeFile("one.txt");
    const QString two = makeFile("two");
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));

    MivPasteboard::copyDataNamesToClipboard({item(one)});
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("one.txt")) << "no line break after one name";
    MivPasteboard::copyDataPathsToClipboard({item(one), item(two)});
    EXPECT_EQ(QGuiApplication::clipboard()->text(), one + QLatin1Char('\n') + two);
    MivPasteboard::copyDataNamesToClipboard({});
    EXPECT_EQ(QGuiApplication::clipboard()->text(), one + QLatin1Char('\n') + two) << "an empty text changes nothing";
}

} // namespace
