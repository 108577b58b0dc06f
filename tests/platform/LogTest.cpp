#include "platform/Log.h"
#include "platform/ThreadInfo.h"

#include "support/ScopedLogState.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using TimePoint = std::chrono::system_clock::time_point;

QString readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

// A logger writing into a temporary folder with the message text alone as
// the line, a clock the test moves, and a system log the test reads.
class LogTest : public ::testing::Test
{
protected:
    struct Shared
    {
        std::atomic<TimePoint::rep> now{0};
        std::mutex mutex;
        QStringList systemLog;
        std::vector<plat::LogMessage> messages;
    };

    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        // 2026-01-02 03:04:05.006 UTC
        m_shared->now = TimePoint(std::chrono::milliseconds(1767323045006)).time_since_epoch().count();
        std::weak_ptr<Shared> weak = m_shared;
        plat::setLogLineFormatter([weak](const plat::LogMessage& message) {
            if (auto shared = weak.lock()) {
                std::lock_guard<std::mutex> guard(shared->mutex);
                shared->messages.push_back(message);
            }
            return message.text;
        });
    }

    plat::LogSetup setup(qint64 maximumFileSize = 1 << 20)
    {
        plat::LogSetup result;
        result.folder = folder();
        result.maximumFileSize = maximumFileSize;
        std::shared_ptr<Shared> shared = m_shared;
        result.clock = [shared] { return TimePoint(TimePoint::duration(shared->now.load())); };
        result.systemLog = [shared](plat::LogLevel level, const QString& text) {
            std::lock_guard<std::mutex> guard(shared->mutex);
            shared->systemLog << QStringLiteral("%1 %2").arg(static_cast<int>(level)).arg(text);
        };
        return result;
    }

    void advance(std::chrono::milliseconds by)
    {
        m_shared->now += std::chrono::duration_cast<TimePoint::duration>(by).count();
    }

    QString folder() const { return m_dir.path() + QStringLiteral("/logs"); }
    QString currentFile() const { return folder() + QStringLiteral("/mivo.log"); }
    QStringList rolledFiles() const
    {
        return QDir(folder()).entryList({QStringLiteral("mivo-*.log")}, QDir::Files, QDir::Name);
    }

    mivtest::ScopedLogState m_restore;
    QTemporaryDir m_dir;
    std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
};

TEST_F(LogTest, RollsWhenTheNextLineWouldPassTheSizeLimit)
{
    ASSERT_TRUE(plat::setupLogging(setup(100)));
    const QString line = QString(39, QLatin1Char('a')); // 40 bytes with its line break
    MIV_LOG_INFO(line);
    MIV_LOG_INFO(line);
    EXPECT_TRUE(rolledFiles().isEmpty());
    MIV_LOG_INFO(QString(39, QLatin1Char('b')));

    const QStringList rolled = rolledFiles();
    ASSERT_EQ(rolled, QStringList{QStringLiteral("mivo-2026-01-02_03-04-05.log")});
    EXPECT_EQ(readFile(folder() + QLatin1Char('/') + rolled.first()), line + QLatin1Char('\n') + line + QLatin1Char('\n'));
    EXPECT_EQ(readFile(currentFile()), QString(39, QLatin1Char('b')) + QLatin1Char('\n'));
}

// The limit is a size the file may reach, not one it must stay below: lines
// that fill it to the byte stay together, and only the next line rolls.
// Sizes are counted in bytes as written (UTF-8, line breaks included).
TEST_F(LogTest, ALineThatFillsTheFileExactlyStaysAndTheNextRolls)
{
    struct Case
    {
        qint64 limit;
        QStringList lines;
    };
    const Case cases[] = {
        {100, {QString(39, QLatin1Char('a')), QString(59, QLatin1Char('b'))}},
        {100, {QString(), QString(98, QLatin1Char('c'))}},
        {10, {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5")}},
        // Five two-byte characters and a break, then four and "a" and a break: 21 bytes.
        {21, {QString(5, QChar(0xE9)), QString(4, QChar(0xE9)) + QLatin1Char('a')}},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(index);
        plat::LogSetup caseSetup = setup(c.limit);
        caseSetup.folder = folder() + QStringLiteral("/case-%1").arg(index++);
        const QString current = caseSetup.folder + QStringLiteral("/mivo.log");
        ASSERT_TRUE(plat::setupLogging(caseSetup));
        QString expected;
        for (const QString& line : c.lines) {
            MIV_LOG_INFO(line);
            expected += line + QLatin1Char('\n');
        }
        ASSERT_EQ(expected.toUtf8().size(), c.limit) << "the case fills the file exactly";
        EXPECT_EQ(QFileInfo(current).size(), c.limit);
        EXPECT_TRUE(QDir(caseSetup.folder).entryList({QStringLiteral("mivo-*.log")}, QDir::Files).isEmpty())
            << "a full file is not rolled before a line needs the room";

        MIV_LOG_INFO(QStringLiteral("z"));
        const QStringList rolled = QDir(caseSetup.folder).entryList({QStringLiteral("mivo-*.log")}, QDir::Files);
        ASSERT_EQ(rolled.size(), 1);
        EXPECT_EQ(readFile(caseSetup.folder + QLatin1Char('/') + rolled.first()), expected);
        EXPECT_EQ(readFile(current), QStringLiteral("z\n"));
        plat::shutdownLogging();
    }
}

TEST_F(LogTest, RollsOnceTheFileIsADayOld)
{
    ASSERT_TRUE(plat::setupLogging(setup()));
    MIV_LOG_INFO(QStringLiteral("first"));
    advance(86399s);
    MIV_LOG_INFO(QStringLiteral("second"));
    EXPECT_TRUE(rolledFiles().isEmpty());
    advance(1s);
    MIV_LOG_INFO(QStringLiteral("third"));

    ASSERT_EQ(rolledFiles(), QStringList{QStringLiteral("mivo-2026-01-03_03-04-05.log")});
    EXPECT_EQ(readFile(folder() + QStringLiteral("/mivo-2026-01-03_03-04-05.log")), QStringLiteral("first\nsecond\n"));
    EXPECT_EQ(readFile(currentFile()), QStringLiteral("third\n"));
}

TEST_F(LogTest, KeepsTheNewestFourteenFiles)
{
    // Every line rolls the one before it aside, all within the same second:
    // the names differ by their counter alone, which must order numerically.
    ASSERT_TRUE(plat::setupLogging(setup(1)));
    for (int i = 1; i <= 30; ++i)
        MIV_LOG_INFO(QString::number(i));

    const QStringList rolled = rolledFiles();
    ASSERT_EQ(rolled.size(), 13);
    QStringList kept;
    for (const QString& name : rolled)
        kept << readFile(folder() + QLatin1Char('/') + name).trimmed();
    kept.sort();
    QStringList expected;
    for (int i = 17; i <= 29; ++i)
        expected << QString::number(i);
    expected.sort();
    EXPECT_EQ(kept, expected);
    EXPECT_EQ(readFile(currentFile()), QStringLiteral("30\n"));
}

TEST_F(LogTest, WritesInformationAndAboveAndSendsErrorsToTheSystemLog)
{
    ASSERT_TRUE(plat::setupLogging(setup()));
    MIV_LOG_ERROR(QStringLiteral("broken"));
    MIV_LOG_WARN(QStringLiteral("odd"));
    MIV_LOG_INFO(QStringLiteral("note"));
    MIV_LOG_DEBUG(QStringLiteral("detail"));
    plat::log(plat::LogLevel::Verbose, __func__, __FILE__, __LINE__, QStringLiteral("chatter"));
    plat::log(static_cast<plat::LogLevel>(3), __func__, __FILE__, __LINE__, QStringLiteral("mixed"));

    EXPECT_EQ(readFile(currentFile()), QStringLiteral("broken\nodd\nnote\n"));
    std::lock_guard<std::mutex> guard(m_shared->mutex);
    EXPECT_EQ(m_shared->systemLog, QStringList{QStringLiteral("1 broken")});
}

TEST_F(LogTest, AMessageIsOneLineAndKeepsEveryCharacter)
{
    ASSERT_TRUE(plat::setupLogging(setup()));
    const QString bom = QString(QChar(0xFEFF)) + QStringLiteral("starts with a byte order mark");
    const QString escape = QStringLiteral("name caf") + QChar(char16_t(0xDCE9));
    MIV_LOG_ERROR(bom);
    MIV_LOG_ERROR(QStringLiteral("user x\n2026-01-02 03:04:05.006;E [1] forged"));
    MIV_LOG_INFO(QStringLiteral("a\rb\r\nc\n"));
    MIV_LOG_INFO(escape);

    QFile file(currentFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(bytes, QByteArray("\xEF\xBB\xBFstarts with a byte order mark\n"
                                "user x\\n2026-01-02 03:04:05.006;E [1] forged\n"
                                "a\\rb\\r\\nc\\n\n"
                                "name caf\xE9\n"));
    std::lock_guard<std::mutex> guard(m_shared->mutex);
    ASSERT_EQ(m_shared->messages.size(), 4u);
    EXPECT_EQ(m_shared->messages[0].text, bom);
    EXPECT_EQ(m_shared->messages[1].text, QStringLiteral("user x\\n2026-01-02 03:04:05.006;E [1] forged"));
    EXPECT_EQ(m_shared->messages[3].text, escape);
    EXPECT_EQ(m_shared->systemLog, QStringList({QStringLiteral("1 ") + bom, QStringLiteral("1 user x\\n2026-01-02 03:04:05.006;E [1] forged")}));
}

TEST_F(LogTest, MessagesCarryTheCallingThreadTheClockAndTheSource)
{
    ASSERT_TRUE(plat::setupLogging(setup()));
    QString expectedId;
    std::thread worker([&] {
        plat::setCurrentThreadLabel(QStringLiteral("com.quorvex.test.worker"));
        expectedId = plat::currentThreadIdText();
        MIV_LOG_INFO(QStringLiteral("from %1 {} %s %@"));
    });
    worker.join();

    std::lock_guard<std::mutex> guard(m_shared->mutex);
    ASSERT_EQ(m_shared->messages.size(), 1u);
    const plat::LogMessage& message = m_shared->messages.front();
    EXPECT_EQ(message.flag, 4);
    EXPECT_EQ(message.text, QStringLiteral("from %1 {} %s %@")); // never used as a format string
    EXPECT_EQ(message.threadId, expectedId);
    EXPECT_EQ(message.threadName, QStringLiteral("com.quorvex.test.worker"));
    EXPECT_EQ(message.timestamp.toMSecsSinceEpoch(), 1767323045006);
    EXPECT_STREQ(message.file, __FILE__);
    EXPECT_GT(message.line, 0);
    EXPECT_NE(message.function, nullptr);
}

TEST_F(LogTest, ASecondStartAppendsToTheCurrentFile)
{
    ASSERT_TRUE(plat::setupLogging(setup()));
    MIV_LOG_INFO(QStringLiteral("before"));
    plat::shutdownLogging();
    ASSERT_TRUE(plat::setupLogging(setup()));
    MIV_LOG_INFO(QStringLiteral("after"));
    EXPECT_EQ(readFile(currentFile()), QStringLiteral("before\nafter\n"));
    EXPECT_TRUE(rolledFiles().isEmpty());
    EXPECT_EQ(QFile(currentFile()).permissions() & (QFileDevice::ReadOther | QFileDevice::WriteOther),
              QFileDevice::Permissions());
}

TEST_F(LogTest, AFileLeftFromDaysAgoRollsWithTheFirstLine)
{
    // The age of a reused file comes from the file itself, so this clock
    // starts from the real time.
    m_shared->now = std::chrono::system_clock::now().time_since_epoch().count();
    ASSERT_TRUE(plat::setupLogging(setup()));
    MIV_LOG_INFO(QStringLiteral("old"));
    plat::shutdownLogging();
    advance(48h);
    ASSERT_TRUE(plat::setupLogging(setup()));
    MIV_LOG_INFO(QStringLiteral("new"));
    ASSERT_EQ(rolledFiles().size(), 1);
    EXPECT_EQ(readFile(folder() + QLatin1Char('/') + rolledFiles().first()), QStringLiteral("old\n"));
    EXPECT_EQ(readFile(currentFile()), QStringLiteral("new\n"));
}

TEST_F(LogTest, AnUnusableFolderLeavesLoggingOnStderr)
{
    QFile blocker(m_dir.path() + QStringLiteral("/file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    plat::LogSetup bad = setup();
    bad.folder = blocker.fileName() + QStringLiteral("/logs");
    EXPECT_FALSE(plat::setupLogging(bad));
    EXPECT_FALSE(plat::currentLogSetup().has_value() && plat::currentLogSetup()->folder == bad.folder);
}

TEST(LogFolderTest, FollowsXdgStateHome)
{
    const QByteArray saved = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", "/somewhere/state");
    EXPECT_EQ(plat::defaultLogFolder(), QStringLiteral("/somewhere/state/MIVO/logs"));
    qputenv("XDG_STATE_HOME", "relative/state");
    EXPECT_EQ(plat::defaultLogFolder(), QDir::homePath() + QStringLiteral("/.local/state/MIVO/logs"));
    qunsetenv("XDG_STATE_HOME");
    EXPECT_EQ(plat::defaultLogFolder(), QDir::homePath() + QStringLiteral("/.local/state/MIVO/logs"));
    qputenv("XDG_STATE_HOME", saved);
}

} // namespace
