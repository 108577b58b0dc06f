// Waits on the main thread: nesting is reported, and blocking file-system
// calls made there are reported once per call site.

#include "ExecTestSupport.h"

#include "platform/BlockingAllowed.h"
#include "platform/MainQueue.h"
#include "platform/Path.h"
#include "platform/Semaphore.h"
#include "support/ScopedLogState.h"
#include "support/TestEnvironment.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <memory>
#include <mutex>

#include <sys/stat.h>

using namespace mivtest;

namespace {

// Collects the texts of logged lines through the line layout.
class CapturedLog
{
public:
    CapturedLog()
    {
        auto lines = m_lines;
        plat::setLogLineFormatter([lines](const plat::LogMessage& message) {
            std::lock_guard<std::mutex> guard(lines->mutex);
            lines->texts << message.text;
            return message.text;
        });
    }
    int count(const QString& part) const
    {
        std::lock_guard<std::mutex> guard(m_lines->mutex);
        return static_cast<int>(m_lines->texts.filter(part).size());
    }

    QStringList all() const
    {
        std::lock_guard<std::mutex> guard(m_lines->mutex);
        return m_lines->texts;
    }

private:
    struct Lines
    {
        mutable std::mutex mutex;
        QStringList texts;
    };
    ScopedLogState m_restore;
    std::shared_ptr<Lines> m_lines = std::make_shared<Lines>();
};

} // namespace

TEST(MainThreadWait, NestedWaitIsLoggedWithItsDepth)
{
    CapturedLog log;
    ASSERT_TRUE(plat::asyncAndWait(*plat::MainQueue::instance(), [] {
        plat::Semaphore outerDone;
        // Runs inside the outer wait, and waits itself: depth 2. Each wait is
        // released by work it posted, so both really turn the loop.
        plat::MainQueue::instance()->async([&] {
            plat::Semaphore innerDone;
            plat::MainQueue::instance()->async([&] { innerDone.signal(); });
            EXPECT_TRUE(innerDone.wait(within()));
            outerDone.signal();
        });
        EXPECT_TRUE(outerDone.wait(within()));
    }, within()));
    EXPECT_EQ(log.count(QStringLiteral("Nested wait on the main thread, depth 2")), 1);
    EXPECT_EQ(log.count(QStringLiteral("depth 1")), 0);
}

TEST(MainThreadWait, BlockingCallOnTheMainThreadIsReportedOncePerCallSite)
{
    CapturedLog log;
    const auto report = [] { return plat::detail::reportBlockingOnMainThread(plat::CallSite::current()); };
    EXPECT_FALSE(report()) << "not on the main thread";
    bool onMain = false;
    bool allowed = true;
    ASSERT_TRUE(plat::asyncAndWait(*plat::MainQueue::instance(), [&] {
        for (int i = 0; i < 3; ++i)
            onMain = report();
        const plat::ScopedAllowBlocking allow;
        allowed = plat::detail::reportBlockingOnMainThread(plat::CallSite::current());
    }, within()));
    EXPECT_TRUE(onMain);
    EXPECT_FALSE(allowed);
    EXPECT_EQ(log.count(QStringLiteral("Blocking file-system call on the main thread")), 1) << "one line per call site";
    EXPECT_EQ(log.count(QStringLiteral("MainThreadWaitTest.cpp")), 1);
}

TEST(MainThreadWait, PathWrappersReportTheirCallerInDebugBuilds)
{
#ifdef NDEBUG
    GTEST_SKIP() << "the check is compiled into debug builds only";
#else
    CapturedLog log;
    int line = 0;
    // Outside a macro: within one, the compiler reports the macro's line.
    const auto statOnMain = [&line] {
        struct stat info {};
        line = __LINE__ + 1;
        plat::Path::stat(TestEnvironment::root(), &info);
    };
    ASSERT_TRUE(plat::asyncAndWait(*plat::MainQueue::instance(), statOnMain, within()));
    EXPECT_EQ(log.count(QStringLiteral("MainThreadWaitTest.cpp:%1").arg(line)), 1)
        << log.all().join(QLatin1Char('\n')).toStdString();
#endif
}
