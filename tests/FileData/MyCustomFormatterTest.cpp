#include "FileData/MivLogSetup.h"
#include "FileData/MyCustomFormatter.h"
#include "platform/ThreadInfo.h"

#include "support/ScopedLogState.h"

#include <QDate>
#include <QFile>
#include <QTemporaryDir>
#include <QTime>

#include <gtest/gtest.h>

#include <thread>

namespace {

// 2026-01-02 03:04:05.006 in local time (the tests run in UTC).
QDateTime fixedTime()
{
    return QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5, 6));
}

plat::LogMessage message(int flag, const QString& threadName = {})
{
    plat::LogMessage result;
    result.flag = flag;
    result.timestamp = fixedTime();
    result.text = QStringLiteral("x");
    result.threadId = QStringLiteral("4711");
    result.threadName = threadName;
    return result;
}

TEST(MyCustomFormatterTest, LineLayout)
{
    struct Row
    {
        int flag;
        const char* threadName;
        bool debug;
        const char* line;
    };
    const Row rows[] = {
        {4, "", false, "2026-01-02 03:04:05.006;I [4711] x"},
        {4, "main", false, "2026-01-02 03:04:05.006;I [4711:main] x"},
        {1, "", false, "2026-01-02 03:04:05.006;E [4711] x"},
        {2, "", false, "2026-01-02 03:04:05.006;W [4711] x"},
        {8, "", false, "2026-01-02 03:04:05.006;D [4711] x"},
        {16, "", false, "2026-01-02 03:04:05.006;V [4711] x"},
        {3, "", false, "2026-01-02 03:04:05.006;V [4711] x"},
        {0, "", false, "2026-01-02 03:04:05.006;V [4711] x"},
        {4, "", true, "2026-01-02 03:04:05.006;I [4711] => x"},
        {4, "main", true, "2026-01-02 03:04:05.006;I [4711:main] => x"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        MyCustomFormatter formatter;
        formatter.setDebug(row.debug);
        EXPECT_EQ(formatter.formatLogMessage(message(row.flag, QString::fromUtf8(row.threadName))),
                  QString::fromUtf8(row.line));
    }
}

TEST(MyCustomFormatterTest, MessageTextIsNotAPattern)
{
    MyCustomFormatter formatter;
    plat::LogMessage entry = message(4);
    entry.text = QStringLiteral("%1 %2 %@ {}");
    EXPECT_EQ(formatter.formatLogMessage(entry), QStringLiteral("2026-01-02 03:04:05.006;I [4711] %1 %2 %@ {}"));
}

TEST(MyCustomFormatterTest, EachThreadHasItsOwnDateFormatterOnlyWhenSeveralLoggersShareTheFormatter)
{
    MyCustomFormatter formatter;
    auto formatterOnOtherThread = [&] {
        MyCustomFormatter::DateFormatter* used = nullptr;
        QString text;
        std::thread([&] {
            used = formatter.dateFormatter();
            text = formatter.stringFromDate(fixedTime());
        }).join();
        EXPECT_EQ(text, QStringLiteral("2026-01-02 03:04:05.006"));
        return used;
    };

    formatter.didAddToLogger();
    EXPECT_EQ(formatter.dateFormatter(), formatterOnOtherThread());

    formatter.didAddToLogger();
    EXPECT_EQ(formatter.loggerCount(), 2);
    MyCustomFormatter::DateFormatter* mine = formatter.dateFormatter();
    EXPECT_EQ(formatter.dateFormatter(), mine);
    EXPECT_NE(formatterOnOtherThread(), mine);
    EXPECT_EQ(formatter.stringFromDate(fixedTime()), QStringLiteral("2026-01-02 03:04:05.006"));

    formatter.willRemoveFromLogger();
    EXPECT_EQ(formatter.loggerCount(), 1);
    EXPECT_NE(formatter.dateFormatter(), mine);
}

TEST(MivLogSetupTest, FileLinesHaveTheProgramLayout)
{
    mivtest::ScopedLogState restore;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    plat::LogSetup setup;
    setup.folder = dir.path() + QStringLiteral("/state/MIVO/logs");
    setup.clock = [] { return std::chrono::system_clock::time_point(std::chrono::milliseconds(1767323045006)); };
    setup.systemLog = [](plat::LogLevel, const QString&) {};
    ASSERT_TRUE(MivLogging::setupLogging(setup));

    QString id;
    std::thread([&] {
        plat::setCurrentThreadLabel(QStringLiteral("com.quorvex.test"));
        id = plat::currentThreadIdText();
        MIV_LOG_INFO(QStringLiteral("x"));
        MIV_LOG_DEBUG(QStringLiteral("hidden"));
    }).join();

    QFile file(setup.folder + QStringLiteral("/mivo.log"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), QStringLiteral("2026-01-02 03:04:05.006;I [%1:com.quorvex.test] x\n").arg(id));
}

} // namespace
