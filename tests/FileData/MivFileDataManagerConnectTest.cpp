#include "FactorySupport.h"

#include "platform/Log.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace factorytest;

namespace {

using Answer = FakeGuiHandler::Answer;

class MivFileDataManagerConnectTest : public FactoryTest
{
protected:
    std::shared_ptr<FakeBackend> backend(const char* text)
    {
        return MivUrlFileData::createWithURL<FakeBackend>(url(text), false);
    }
};

TEST_F(MivFileDataManagerConnectTest, ConnectedAtOnceAsksNothing)
{
    const auto item = backend("sftp://u:s3cret@h/a");
    EXPECT_EQ(MivFileDataManager::connectRemoteFile(item), MivFileDataManager::kConnected);
    EXPECT_TRUE(gui->prompts.isEmpty());
    EXPECT_TRUE(kept().isEmpty());
    EXPECT_EQ(item->connects, 1);
}

TEST_F(MivFileDataManagerConnectTest, CredentialsPromptRenewsTheURLAndKeepsThePassword)
{
    const auto item = backend("sftp://alice@h:2222/home/a%20b?x=1");
    gui->answers.push_back({QStringLiteral("bob"), QStringLiteral("s3cret"), true});

    EXPECT_EQ(MivFileDataManager::connectRemoteFile(item), MivFileDataManager::kCredentialsAsked);
    ASSERT_EQ(gui->prompts.size(), 1);
    const auto prompt = gui->prompts.first();
    EXPECT_EQ(prompt.realm, QStringLiteral("sftp://h:2222/home/a%20b")) << "no user or password in the realm";
    EXPECT_EQ(prompt.user, QStringLiteral("alice"));
    EXPECT_TRUE(prompt.password.isEmpty());
    EXPECT_TRUE(prompt.showUserData);

    EXPECT_EQ(urlText(item), QStringLiteral("sftp://bob:s3cret@h:2222/home/a%20b?x=1"));
    EXPECT_EQ(item->connects, 2);
    EXPECT_EQ(kept(), QList<QUrl>{item->fileURL()});
    EXPECT_TRUE(presentedErrors().isEmpty());
}

TEST_F(MivFileDataManagerConnectTest, PasswordsWithDelimitersSurviveTheRoundTrip)
{
    const QString password = QStringLiteral("p@ss:w/rd?#%\u00e9");
    const auto item = backend("sftp://h/x");
    item->acceptedPassword = password;
    gui->answers.push_back({QStringLiteral("a:b@c"), password, false});

    EXPECT_EQ(MivFileDataManager::connectRemoteFile(item), MivFileDataManager::kCredentialsAsked);
    EXPECT_EQ(UrlParameters::passwordByReplacingPercentEscapes(item->fileURL()), password);
    EXPECT_EQ(UrlParameters::safeUnescape(item->fileURL().userName(QUrl::FullyEncoded)), QStringLiteral("a:b@c"));
    EXPECT_EQ(item->fileURL().host(), QStringLiteral("h"));
    EXPECT_EQ(item->connects, 2);
    EXPECT_TRUE(kept().isEmpty()) << "the user did not ask to keep it";
}

TEST_F(MivFileDataManagerConnectTest, PasswordIsKeptOnlyWhenEverythingAgrees)
{
    // A server that wants credentials once and then takes whatever it gets.
    struct AsksOnce : FakeBackend
    {
        using FakeBackend::FakeBackend;
        int connect(bool, plat::Error*) override { return connects++ == 0 ? 1 : 0; }
    };
    struct Case
    {
        const char* name;
        bool remember;
        bool supported;
        QString password;
        bool kept;
    };
    const Case cases[] = {
        {"all agree", true, true, QStringLiteral("s3cret"), true},
        {"not asked to remember", false, true, QStringLiteral("s3cret"), false},
        {"back-end keeps none", true, false, QStringLiteral("s3cret"), false},
        {"empty password", true, true, QString(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QList<QUrl> keptHere;
        MivItemHooks::setUpdatePasswordForURL([&keptHere](const QUrl& u) { keptHere.append(u); });
        const auto item = MivUrlFileData::createWithURL<AsksOnce>(url("sftp://u@h/x"), false);
        item->rememberingSupported = c.supported;
        gui->answers.push_back({QStringLiteral("u"), c.password, c.remember});
        EXPECT_EQ(MivFileDataManager::connectRemoteFile(item), MivFileDataManager::kCredentialsAsked);
        EXPECT_EQ(keptHere.size(), c.kept ? 1 : 0);
    }
    MivItemHooks::setUpdatePasswordForURL(nullptr);
}

TEST_F(MivFileDataManagerConnectTest, CancellingTheFirstPromptFails)
{
    const auto item = backend("sftp://u@h/x");
    gui->answers.push_back({{}, {}, false, true});
    EXPECT_EQ(MivFileDataManager::connectRemoteFile(item), MivFileDataManager::kConnectFailed);
    EXPECT_EQ(urlText(item), QStringLiteral("sftp://u@h/x")) << "the URL stays as it was";
    EXPECT_EQ(item->connects, 1);
    EXPECT_TRUE(presentedErrors().isEmpty()) << "a cancel is no error";
}

TEST_F(MivFileDataManagerConnectTest, NoGuiHandlerCountsAsCancel)
{
    MivFileDataHelpers::registerFileDataGuiHandler(nullptr);
    EXPECT_EQ(MivFileDataManager::connectRemoteFile(backend("sftp://u@h/x")), MivFileDataManager::kConnectFailed);
}

TEST_F(MivFileDataManagerConnectTest, WrongPasswordAsksAgainUntilRightOrCancelled)
{
    const auto item = backend("sftp://u@h/x");
    gui->answers.push_back({QStringLiteral("u"), QStringLiteral("wrong"), true});
    gui->answers.push_back({QStringLiteral("u"), QStringLiteral("s3cret"), true});
    EXPECT_EQ(MivFileDataManager::connectRemoteFile(item), MivFileDataManager::kCredentialsAsked);
    ASSERT_EQ(gui->prompts.size(), 2);
    EXPECT_EQ(gui->prompts[1].password, QStringLiteral("wrong")) << "the second prompt starts from the last answer";
    EXPECT_EQ(item->connects, 3);
    EXPECT_EQ(kept().size(), 1);

    // A later cancel still reports that credentials were asked for.
    const auto other = backend("sftp://u@h/y");
    gui->answers.push_back({QStringLiteral("u"), QStringLiteral("wrong"), true});
    gui->answers.push_back({{}, {}, false, true});
    EXPECT_EQ(MivFileDataManager::connectRemoteFile(other), MivFileDataManager::kCredentialsAsked);
    EXPECT_EQ(kept().size(), 1);
}

TEST_F(MivFileDataManagerConnectTest, ManyRefusalsDoNotGrowTheStack)
{
    // A user (or a stored-credentials dialog) that keeps answering: each
    // round is one loop turn, not one more nested call.
    const auto item = backend("sftp://u@h/x");
    for (int i = 0; i < 20000; ++i)
        gui->answers.push_back({QStringLiteral("u"), QStringLiteral("wrong"), false});
    EXPECT_EQ(MivFileDataManager::connectRemoteFile(item), MivFileDataManager::kCredentialsAsked);
    EXPECT_EQ(gui->prompts.size(), 20001);
}

TEST_F(MivFileDataManagerConnectTest, FailuresArePresentedOnce)
{
    const plat::Error down(QStringLiteral("test"), -9, QStringLiteral("server down"));
    const auto item = backend("sftp://u@h/x");
    item->failWith = down;
    EXPECT_EQ(MivFileDataManager::connectRemoteFile(item), MivFileDataManager::kConnectFailed);
    ASSERT_EQ(presentedErrors().size(), 1);
    EXPECT_EQ(presentedErrors().first().code(), -9);
    EXPECT_TRUE(gui->prompts.isEmpty());

    // A failure after the credentials: presented by the renewed attempt, and
    // the answer is still "asked".
    struct FailsAfterLogin : FakeBackend
    {
        using FakeBackend::FakeBackend;
        int connect(bool interactive, plat::Error* error) override
        {
            if (connects > 0)
                failWith = plat::Error(QStringLiteral("test"), -10, QStringLiteral("refused later"));
            return FakeBackend::connect(interactive, error);
        }
    };
    const auto later = MivUrlFileData::createWithURL<FailsAfterLogin>(url("sftp://u@h/y"), false);
    gui->answers.push_back({QStringLiteral("u"), QStringLiteral("s3cret"), true});
    EXPECT_EQ(MivFileDataManager::connectRemoteFile(later), MivFileDataManager::kCredentialsAsked);
    ASSERT_EQ(presentedErrors().size(), 2);
    EXPECT_EQ(presentedErrors().last().code(), -10);
    EXPECT_TRUE(kept().isEmpty()) << "nothing kept for a log-in that failed";

    // A refusal without an error is not presented.
    struct SilentFailure : FakeBackend
    {
        using FakeBackend::FakeBackend;
        int connect(bool, plat::Error*) override { return 2; }
    };
    EXPECT_EQ(MivFileDataManager::connectRemoteFile(MivUrlFileData::createWithURL<SilentFailure>(url("sftp://h/z"), false)),
              MivFileDataManager::kConnectFailed);
    EXPECT_EQ(presentedErrors().size(), 2);
}

TEST_F(MivFileDataManagerConnectTest, OnlyRemoteItemsConnect)
{
    EXPECT_EQ(MivFileDataManager::connectRemoteFile(nullptr), MivFileDataManager::kConnectFailed);
    EXPECT_EQ(MivFileDataManager::connectRemoteFile(std::make_shared<itemtest::TreeFolder>()),
              MivFileDataManager::kConnectFailed);
}

TEST_F(MivFileDataManagerConnectTest, PasswordsStayOutOfTheLog)
{
    const auto item = backend("sftp://u@h/x");
    item->acceptedPassword = QStringLiteral("Zq7-unlogged");
    gui->answers.push_back({QStringLiteral("u"), QStringLiteral("wrong-Xv3"), false});
    gui->answers.push_back({QStringLiteral("u"), QStringLiteral("Zq7-unlogged"), false});
    ASSERT_EQ(MivFileDataManager::connectRemoteFile(item), MivFileDataManager::kCredentialsAsked);
    (void)MivFileDataManager::moveData(item, QStringLiteral("sftp://u:Zq7-unlogged@h/x/sub/dir"),
                                       QStringLiteral("sftp://u:Zq7-unlogged@h/x"), true);
    (void)MivFileDataManager::fileDataDescriptorForEntry(
        {{QStringLiteral("path"), QStringLiteral("sftp://u:Zq7-unlogged@h/x")},
         {QStringLiteral("remote-desc"), QVariantMap{{QStringLiteral("pw"), QStringLiteral("Zq7-unlogged")}}}});

    const auto setup = plat::currentLogSetup();
    ASSERT_TRUE(setup.has_value());
    QFile log(setup->folder + QStringLiteral("/mivo.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray lines = log.readAll();
    EXPECT_TRUE(lines.contains("Resolved relative path: sub/dir")) << "the log is the one written to";
    EXPECT_FALSE(lines.contains("Zq7-unlogged"));
    EXPECT_FALSE(lines.contains("wrong-Xv3"));
}

} // namespace
