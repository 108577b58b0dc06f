#include "FileData/MivErrorPresenter.h"
#include "FileData/MivExec.h"

#include "support/ScopedLogState.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <stdexcept>
#include <thread>

// Outside any namespace, so its name reads plainly in the description.
struct SilentException : std::exception
{
    const char* what() const noexcept override { return ""; }
};

namespace {

using namespace std::chrono_literals;

const QString kDomain = QLatin1String(MivFileOperationErrorDomain);

class MivErrorPresenterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MivErrorPresenter::setPresentationHandler([this](const plat::Error& error) {
            std::lock_guard<std::mutex> guard(m_mutex);
            m_presented.push_back(error);
            m_presentedOnMainThread.push_back(MivExec::isMainThread());
        });
    }
    void TearDown() override { MivErrorPresenter::setPresentationHandler({}); }

    // Waits until the main thread has run everything posted before.
    static void drainMainThread()
    {
        MivExec::runOnMainThread([] {});
    }

    std::vector<plat::Error> presented()
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_presented;
    }

    std::mutex m_mutex;
    std::vector<plat::Error> m_presented;
    std::vector<bool> m_presentedOnMainThread;
};

TEST(MivErrorPresenterBuildTest, DescriptionOfMessageAndInformativeText)
{
    struct Row
    {
        QString message;
        QString inform;
        QString description;
    };
    const Row rows[] = {
        {QStringLiteral("m"), QStringLiteral("i"), QStringLiteral("m: \ni")},
        {QString(), QStringLiteral("i"), QStringLiteral("i")},
        {QStringLiteral("m"), QString(), QStringLiteral("m")},
        {QStringLiteral(""), QStringLiteral("i"), QStringLiteral(": \ni")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.description.toStdString());
        const plat::Error error = MivErrorPresenter::makeFileOperationErrorWithCode(-31, row.message, row.inform);
        EXPECT_EQ(error.domain(), QStringLiteral("com.quorvex.MivFileOperationErrorDomain"));
        EXPECT_EQ(error.code(), -31);
        EXPECT_EQ(error.localizedDescription(), row.description);
        EXPECT_EQ(error.userInfo().keys(), QStringList{QLatin1String(plat::kLocalizedDescriptionKey)});
    }
    EXPECT_EQ(MivErrorPresenter::makeFileOperationErrorWithCode(-32, QStringLiteral("m")).localizedDescription(),
              QStringLiteral("m"));

    // Neither text: no empty alert, the error names its domain and code.
    const plat::Error bare = MivErrorPresenter::makeFileOperationErrorWithCode(-12, QString(), QString());
    EXPECT_FALSE(bare.hasLocalizedDescription());
    EXPECT_TRUE(bare.localizedDescription().contains(kDomain));
}

TEST(MivErrorPresenterBuildTest, ErrorsFromStatusCodes)
{
    const plat::Error known = MivErrorPresenter::errorFromStatus(-43, QString());
    EXPECT_EQ(known.domain(), QStringLiteral("NSOSStatusErrorDomain"));
    EXPECT_EQ(known.code(), -43);
    EXPECT_EQ(known.localizedDescription(), QStringLiteral("fnfErr.  File not found."));
    EXPECT_EQ(MivErrorPresenter::errorFromStatus(-43, QStringLiteral("Cannot open")).localizedDescription(),
              QStringLiteral("Cannot open \n fnfErr.  File not found."));

    const plat::Error unknown = MivErrorPresenter::errorFromStatus(-987654, QString());
    EXPECT_EQ(unknown.code(), -987654);
    EXPECT_TRUE(unknown.hasLocalizedDescription());
    EXPECT_EQ(unknown.localizedDescription(), QString());
    EXPECT_EQ(MivErrorPresenter::NSErrorString(-987654), QString());

    EXPECT_EQ(MivErrorPresenter::NSErrorSecString(-25300), QStringLiteral("The specified item could not be found in the keychain."));
    EXPECT_TRUE(MivErrorPresenter::NSErrorSecString(-987654).contains(QStringLiteral("-987654")));
}

TEST(MivErrorPresenterBuildTest, UnderlyingError)
{
    const plat::Error third(QStringLiteral("c"), 3, QStringLiteral("third"));
    const plat::Error second = plat::Error(QStringLiteral("b"), 2, QStringLiteral("second")).withUnderlyingError(third);
    const plat::Error first = plat::Error(QStringLiteral("a"), 1, QStringLiteral("first")).withUnderlyingError(second);
    EXPECT_EQ(MivErrorPresenter::underlyingError(first), third);
    EXPECT_EQ(MivErrorPresenter::underlyingError(third), third);

    QVariantMap info;
    info.insert(QLatin1String(plat::kUnderlyingErrorKey), QStringLiteral("not an error"));
    const plat::Error odd(QStringLiteral("a"), 1, info);
    EXPECT_EQ(MivErrorPresenter::underlyingError(odd), odd);
}

TEST(MivErrorPresenterBuildTest, ErrorsFromExceptions)
{
    const plat::Error withReason = MivErrorPresenter::makeErrorWithException(std::runtime_error("disk gone"));
    EXPECT_TRUE(withReason.is(MivFileOperationErrorDomain, -500));
    EXPECT_EQ(withReason.localizedDescription(), QStringLiteral("disk gone"));

    const plat::Error silent = MivErrorPresenter::makeErrorWithException(SilentException());
    EXPECT_TRUE(silent.is(MivFileOperationErrorDomain, -500));
    EXPECT_EQ(silent.localizedDescription(), QStringLiteral("Error: SilentException"));
}

TEST_F(MivErrorPresenterTest, ExceptionsArePresentedWithCode500)
{
    MivErrorPresenter::presentException(std::runtime_error("boom"));
    MivErrorPresenter::presentException(std::runtime_error("boom"), QStringLiteral("Error while listing entries for path: /x"));
    MivErrorPresenter::presentException(SilentException(), QStringLiteral("m"));
    const std::vector<plat::Error> shown = presented();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_TRUE(shown[0].is(MivFileOperationErrorDomain, -500));
    EXPECT_EQ(shown[0].localizedDescription(), QStringLiteral("boom"));
    EXPECT_EQ(shown[1].localizedDescription(), QStringLiteral("Error while listing entries for path: /x: \nboom"));
    EXPECT_EQ(shown[2].localizedDescription(), QStringLiteral("m: \nError: SilentException"));
}

TEST_F(MivErrorPresenterTest, PresentsOnTheMainThreadAndTheDeepestErrorOnRequest)
{
    const plat::Error inner(QStringLiteral("inner"), 2, QStringLiteral("inner"));
    const plat::Error outer = plat::Error(QStringLiteral("outer"), 1, QStringLiteral("outer")).withUnderlyingError(inner);
    MivErrorPresenter::presentError(outer);
    MivErrorPresenter::presentError(outer, true);
    MivErrorPresenter::showError(-48);
    MivErrorPresenter::presentErrorWithCode(-33, QStringLiteral("File a cannot be removed"));

    const std::vector<plat::Error> shown = presented();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0], outer);
    EXPECT_EQ(shown[1], inner);
    EXPECT_TRUE(shown[2].is(plat::kOSStatusErrorDomain, -48));
    EXPECT_TRUE(shown[3].is(MivFileOperationErrorDomain, -33));
    std::lock_guard<std::mutex> guard(m_mutex);
    EXPECT_EQ(m_presentedOnMainThread, std::vector<bool>(4, true));
}

TEST_F(MivErrorPresenterTest, ANullErrorIsIgnored)
{
    MivErrorPresenter::presentError(plat::Error());
    MivErrorPresenter::presentAsyncError(plat::Error(), false);
    MivErrorPresenter::doPresentError(plat::Error(), true);
    drainMainThread();
    EXPECT_TRUE(presented().empty());
}

TEST_F(MivErrorPresenterTest, AWorkerWaitsUntilTheAlertIsDismissed)
{
    std::promise<void> entered;
    std::promise<void> dismiss;
    std::shared_future<void> dismissed = dismiss.get_future().share();
    MivErrorPresenter::setPresentationHandler([&](const plat::Error&) {
        entered.set_value();
        dismissed.wait_for(30s);
    });

    std::atomic<bool> returned{false};
    std::thread worker([&] {
        MivErrorPresenter::presentErrorWithCode(-15, QStringLiteral("Text 'x' not found"));
        returned = true;
    });
    ASSERT_EQ(entered.get_future().wait_for(30s), std::future_status::ready);
    EXPECT_FALSE(returned.load()); // the alert is still up
    dismiss.set_value();
    worker.join();
    EXPECT_TRUE(returned.load());
}

TEST_F(MivErrorPresenterTest, OnTheMainThreadPresentingReturnsAfterTheAlert)
{
    bool shownBeforeReturn = false;
    MivExec::runOnMainThread([&] {
        MivErrorPresenter::presentErrorWithCode(-23, QStringLiteral("Search path doesn't exist or it is not a folder"));
        shownBeforeReturn = presented().size() == 1;
    });
    EXPECT_TRUE(shownBeforeReturn);
}

TEST_F(MivErrorPresenterTest, AsyncPresentingReturnsBeforeTheAlert)
{
    std::promise<void> returnedPromise;
    std::shared_future<void> returnedFuture = returnedPromise.get_future().share();
    std::atomic<bool> returnedFirst{false};
    MivErrorPresenter::setPresentationHandler([&](const plat::Error&) {
        returnedFirst = returnedFuture.wait_for(30s) == std::future_status::ready;
    });

    // From the main thread too, the alert waits for a later turn of the loop.
    MivExec::runOnMainThread([&] {
        MivErrorPresenter::presentAsyncError(plat::Error(kDomain, -300, QStringLiteral("FTP Connection closed")), false);
        returnedPromise.set_value();
    });
    drainMainThread();
    EXPECT_TRUE(returnedFirst.load());
}

class CapturedLog
{
public:
    CapturedLog()
    {
        plat::setLogLineFormatter([this](const plat::LogMessage& message) {
            std::lock_guard<std::mutex> guard(m_mutex);
            m_lines << QStringLiteral("%1 %2").arg(message.flag).arg(message.text);
            return message.text;
        });
    }
    QStringList lines()
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_lines;
    }

private:
    mivtest::ScopedLogState m_restore;
    std::mutex m_mutex;
    QStringList m_lines;
};

TEST_F(MivErrorPresenterTest, AFailingAlertIsLoggedAndTheCallerGoesOn)
{
    CapturedLog log;
    MivErrorPresenter::setPresentationHandler([](const plat::Error&) { throw std::runtime_error("no display"); });
    const plat::Error error(kDomain, -100, QStringLiteral("Failed to unmount /media/x."));
    MivErrorPresenter::presentError(error);
    EXPECT_TRUE(log.lines().contains(QStringLiteral("1 Error while presenting error message: ") + error.description()));
}

TEST_F(MivErrorPresenterTest, WithoutAnAlertTheErrorIsLogged)
{
    CapturedLog log;
    MivErrorPresenter::setPresentationHandler({});
    const plat::Error error(kDomain, -200, QStringLiteral("Entered file name ('a/b') is invalid."));
    MivErrorPresenter::presentError(error);
    EXPECT_TRUE(log.lines().contains(QStringLiteral("1 ") + error.description()));
}

} // namespace
