#include "FileData/Local/MivSandboxing.h"

#include "FileData/MivFileDataHelpers.h"
#include "platform/Path.h"
#include "platform/PathString.h"
#include "support/FakePropertiesProvider.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class MivSandboxingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        MivSandboxing::clearScopedBookmarks();
        MivSandboxing::setFolderPrompt(nullptr);
    }
    void TearDown() override
    {
        MivSandboxing::clearScopedBookmarks();
        MivSandboxing::setFolderPrompt(nullptr);
        MivFileDataHelpers::registerFileDataPropertiesProvider(nullptr);
    }

    QString folder(const QString& relative)
    {
        const QString path = plat::PathString::appendingPathComponent(m_dir.path(), relative);
        QDir().mkpath(path);
        return path;
    }
    static QUrl url(const QString& path) { return plat::Path::toFileQUrl(path); }
    static QStringList grantedPaths()
    {
        QStringList paths;
        for (const auto& grant : MivSandboxing::scopedBookmarks())
            paths.append(grant->path());
        return paths;
    }

    QTemporaryDir m_dir;
};

TEST_F(MivSandboxingTest, AWiderGrantReplacesTheGrantsInsideIt)
{
    const QString a = folder(QStringLiteral("a"));
    ASSERT_TRUE(MivSandboxing::setScopedURL(url(folder(QStringLiteral("a/Docs")))));
    ASSERT_TRUE(MivSandboxing::setScopedURL(url(folder(QStringLiteral("a/Music")))));
    ASSERT_TRUE(MivSandboxing::setScopedURL(url(a)));
    EXPECT_EQ(grantedPaths(), QStringList{a});

    const QString docs = folder(QStringLiteral("a/Docs"));
    ASSERT_TRUE(MivSandboxing::setScopedURL(url(docs)));
    EXPECT_EQ(grantedPaths(), (QStringList{a, docs})) << "a narrower grant after a wider one keeps both";
}

TEST_F(MivSandboxingTest, PrefixTestsAndAccess)
{
    const QString a = folder(QStringLiteral("a"));
    folder(QStringLiteral("ab"));
    const MivScopedBookmark grant(url(a), MivScopedBookmark::bookmarkDataForURL(url(a)));
    EXPECT_FALSE(grant.isPrefixForPath(a, false)) << "the folder itself is not inside itself";
    EXPECT_TRUE(grant.isPrefixForPath(a + QStringLiteral("/x"), false));
    EXPECT_FALSE(grant.isPrefixForPath(m_dir.path() + QStringLiteral("/ab"), false));
    EXPECT_TRUE(grant.isPrefixForPath(a + u'/', true));

    ASSERT_TRUE(MivSandboxing::setScopedURL(url(a)));
    EXPECT_TRUE(MivSandboxing::isURLSandboxed(QUrl(QStringLiteral("sftp://host/etc/passwd")))) << "only local files need grants";
    EXPECT_TRUE(MivSandboxing::isURLSandboxed(url(a + QStringLiteral("/file"))));
    EXPECT_FALSE(MivSandboxing::isURLSandboxed(url(m_dir.path() + QStringLiteral("/ab/file"))));
    EXPECT_TRUE(MivSandboxing::isURLDirectlyInSandbox(url(a)));

    // The root flag follows the latest grant only.
    ASSERT_TRUE(MivSandboxing::setScopedURL(url(QStringLiteral("/"))));
    EXPECT_TRUE(MivSandboxing::isURLSandboxed(url(QStringLiteral("/etc/hosts"))));
    ASSERT_TRUE(MivSandboxing::setScopedURL(url(folder(QStringLiteral("c")))));
    EXPECT_TRUE(MivSandboxing::isURLSandboxed(url(QStringLiteral("/etc/hosts")))) << "the \"/\" grant still covers it";
}

TEST_F(MivSandboxingTest, OnlyOperationNotPermittedAsksForAGrant)
{
    const plat::Error denied = plat::Error(QStringLiteral("NSCocoaErrorDomain"), 257)
                                   .withUnderlyingError(plat::Error(QStringLiteral("NSPOSIXErrorDomain"), 13));
    EXPECT_TRUE(MivSandboxing::handlePermissionError(denied, nullptr, nullptr)) << "permission denied is no sandbox error";
    EXPECT_TRUE(MivSandboxing::handlePermissionError(plat::Error(QStringLiteral("NSCocoaErrorDomain"), 4), nullptr, nullptr));

    // Without a panel every prompt is cancelled and changes nothing.
    EXPECT_FALSE(MivSandboxing::promptScopedBookmarkForURL(url(m_dir.path()), nullptr));
    EXPECT_TRUE(MivSandboxing::scopedBookmarks().isEmpty());

    const QString picked = folder(QStringLiteral("picked"));
    MivSandboxing::Prompt asked;
    MivSandboxing::setFolderPrompt([&](const MivSandboxing::Prompt& prompt) {
        asked = prompt;
        return url(picked);
    });
    QUrl result;
    EXPECT_TRUE(MivSandboxing::promptScopedBookmarkForURL(url(m_dir.path()), &result));
    EXPECT_EQ(result, url(picked));
    EXPECT_EQ(asked.title, QStringLiteral("MIVO Zedarirov File System Access"));
    EXPECT_EQ(asked.prompt, QStringLiteral("Allow FileSystem Access"));
    EXPECT_EQ(grantedPaths(), QStringList{picked});

    MivSandboxing::resetSandboxToDefault();
    EXPECT_EQ(grantedPaths(), QStringList{picked}) << "reset clears and asks again";
}

TEST_F(MivSandboxingTest, SavedGrantsRoundTripAndStaleOnesAreDropped)
{
    auto provider = std::make_shared<mivtest::FakePropertiesProvider>();
    MivFileDataHelpers::registerFileDataPropertiesProvider(provider);
    const QString a = folder(QStringLiteral("a"));
    const QString gone = folder(QStringLiteral("gone"));
    ASSERT_TRUE(MivSandboxing::setScopedURL(url(a)));
    ASSERT_TRUE(MivSandboxing::setScopedURL(url(gone)));
    MivSandboxing::serialize();
    const QVariantMap saved = provider->dict().value(QStringLiteral("Bookmark")).toMap();
    EXPECT_EQ(saved.keys(), (QStringList{a, gone}));

    ASSERT_TRUE(QDir(gone).removeRecursively());
    MivSandboxing::clearScopedBookmarks();
    MivSandboxing::deserializeScopedBookmarks(saved);
    EXPECT_EQ(grantedPaths(), QStringList{a});
    EXPECT_FALSE(MivSandboxing::restoreScopedBookmarkForPath(QStringLiteral("/nowhere"), saved));
    EXPECT_FALSE(MivSandboxing::restoreScopedBookmarkForPath(
        QStringLiteral("/x"), QVariantMap{{QStringLiteral("/x"), QByteArray("garbage")}}));

    MivSandboxing::clearScopedBookmarks();
    ASSERT_TRUE(MivSandboxing::setScopedURL(url(a)));
    EXPECT_EQ(MivSandboxing::serializeScopedBookmarks().size(), 1);
}

} // namespace
