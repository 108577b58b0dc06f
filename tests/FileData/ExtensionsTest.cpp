#include "FileData/Extensions/DateExtensions.h"
#include "FileData/Extensions/LazyProxy.h"
#include "FileData/Extensions/MutableArrayExtensions.h"
#include "FileData/Extensions/StringExtensions.h"
#include "platform/Error.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringList>

#include <limits>
#include <vector>

using namespace DateExtensions;

TEST(DateExtensionsTest, CatalogRecordsAndIntervals)
{
    EXPECT_DOUBLE_EQ(intervalFromUTCDateTime(UTCDateTime{0, 3061152000u, 0}), 0.0);
    EXPECT_DOUBLE_EQ(intervalFromUTCDateTime(UTCDateTime{0, 3061152000u, 32768}), 0.5);
    EXPECT_DOUBLE_EQ(intervalFromUTCDateTime(UTCDateTime{1, 0, 0}), 4294967296.0 - 3061152000.0);

    EXPECT_FALSE(UTCDateTimeIsValid(UTCDateTime{}));
    EXPECT_TRUE(UTCDateTimeIsValid(UTCDateTime{0, 0, 1}));
    EXPECT_FALSE(dateFromUTCDateTime(UTCDateTime{}).isValid());
    EXPECT_EQ(dateFromUTCDateTime(UTCDateTime{0, 3061152000u, 32768}),
              QDateTime(QDate(2001, 1, 1), QTime(0, 0, 0, 500), Qt::UTC));

    EXPECT_TRUE(UTCDateTimeIsEqualTo(UTCDateTimeFromNSDate(QDateTime()), UTCDateTime{}));
    EXPECT_TRUE(UTCDateTimeIsEqualTo(UTCDateTimeFromNSDate(QDateTime(QDate(1900, 1, 1), QTime(0, 0), Qt::UTC)), UTCDateTime{}));
    const UTCDateTime fromDate = UTCDateTimeFromNSDate(QDateTime(QDate(2001, 1, 1), QTime(0, 0, 0, 500), Qt::UTC));
    EXPECT_TRUE(UTCDateTimeIsEqualTo(fromDate, UTCDateTime{0, 3061152000u, 32768}));
    EXPECT_FALSE(UTCDateTimeIsEqualTo(fromDate, UTCDateTime{0, 3061152000u, 0}));

    // Past 2040 the seconds need the high part.
    const QDateTime late(QDate(2100, 6, 1), QTime(12, 0), Qt::UTC);
    const UTCDateTime record = UTCDateTimeFromNSDate(late);
    EXPECT_EQ(quint16(record.highSeconds), 1);
    EXPECT_EQ(dateFromUTCDateTime(record), late);
}

TEST(DateExtensionsTest, DatesAtTheEndsOfTheRangeGiveNoRecord)
{
    // The offset to 1904 must not be added past the end of 64 bits.
    constexpr qint64 kMax = std::numeric_limits<qint64>::max();
    constexpr qint64 kMin = std::numeric_limits<qint64>::min();
    for (const qint64 msecs : {kMax, kMax - 1000, kMax - 2082844800000 + 1, kMin, kMin + 1000}) {
        const QDateTime date = QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
        if (!date.isValid())
            continue;
        SCOPED_TRACE(msecs);
        EXPECT_TRUE(UTCDateTimeIsEqualTo(UTCDateTimeFromNSDate(date), UTCDateTime{}));
    }
    // The last second the 48 bits hold is still a record.
    const qint64 lastSecond = (qint64(1) << 48) - 1;
    const QDateTime last = QDateTime::fromMSecsSinceEpoch((lastSecond - 2082844800) * 1000 + 999, Qt::UTC);
    const UTCDateTime record = UTCDateTimeFromNSDate(last);
    // The record is packed: its fields are read by value, never bound to a
    // reference at a misaligned address.
    EXPECT_EQ(quint16(record.highSeconds), 0xFFFF);
    EXPECT_EQ(quint32(record.lowSeconds), 0xFFFFFFFFu);
    EXPECT_TRUE(UTCDateTimeIsEqualTo(UTCDateTimeFromNSDate(last.addMSecs(1)), UTCDateTime{}));
}

TEST(DateExtensionsTest, FixedTextsAtTheTurnOfTheYearAndAtMidnight)
{
    struct Case
    {
        QDateTime date;
        const char* iCalendar;
        const char* iso8601;
    };
    // The test main fixes the local time zone to UTC.
    const Case cases[] = {
        // 30 and 31 December 2024 lie in the first week of 2025.
        {QDateTime(QDate(2024, 12, 30), QTime(12, 0), Qt::UTC), "20241230T120000Z", "2024-12-30 12:00:00"},
        {QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59), Qt::UTC), "20241231T235959Z", "2024-12-31 23:59:59"},
        // 1 January 2021 still lies in the last week of 2020.
        {QDateTime(QDate(2021, 1, 1), QTime(0, 0), Qt::UTC), "20210101T000000Z", "2021-01-01 00:00:00"},
        {QDateTime(QDate(2024, 1, 1), QTime(0, 30, 5), Qt::UTC), "20240101T003005Z", "2024-01-01 00:30:05"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.iCalendar);
        EXPECT_EQ(descriptionICalendar(c.date), QLatin1String(c.iCalendar));
        EXPECT_EQ(descriptionISO8601(c.date), QLatin1String(c.iso8601));
        EXPECT_EQ(dateWithICalendarString(QLatin1String(c.iCalendar)), c.date);
        EXPECT_EQ(dateWithICalendarISO8601(QLatin1String(c.iso8601)), c.date);
    }
    EXPECT_FALSE(dateWithICalendarString(QStringLiteral("2024-01-01")).isValid());
    EXPECT_FALSE(dateWithICalendarISO8601(QStringLiteral("yesterday")).isValid());
    EXPECT_TRUE(descriptionICalendar(QDateTime()).isNull());
}

TEST(StringExtensionsTest, SeparatesCapitalizedWords)
{
    EXPECT_EQ(StringExtensions::stringBySeparatingCapitalizedWords(QStringLiteral("FSSize")), QStringLiteral("F S Size"));
    EXPECT_EQ(StringExtensions::stringBySeparatingCapitalizedWords(QStringLiteral("Name")), QStringLiteral("Name"));
    EXPECT_EQ(StringExtensions::stringBySeparatingCapitalizedWords(QStringLiteral("pixelHeight")), QStringLiteral("pixel Height"));
    EXPECT_EQ(StringExtensions::stringBySeparatingCapitalizedWords(QStringLiteral("\u00c9tatD\u00e9j\u00e0")),
              QStringLiteral("\u00c9tat D\u00e9j\u00e0"));
    EXPECT_EQ(StringExtensions::stringBySeparatingCapitalizedWords(QString()), QString());
    EXPECT_EQ(StringExtensions::stringBySeparatingCapitalizedWords(QStringLiteral("A")), QStringLiteral("A"));
}

TEST(StringExtensionsTest, FileSystemReferenceNeedsAnExistingObject)
{
    const QString folder = mivtest::TestEnvironment::root() + QStringLiteral("/fsref");
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile file(folder + QStringLiteral("/present.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    plat::Error error(QStringLiteral("stale"), 1);
    EXPECT_TRUE(StringExtensions::getFSRef(file.fileName(), &error));
    EXPECT_TRUE(error.isNull());
    EXPECT_TRUE(StringExtensions::getFSRef(folder, nullptr));

    EXPECT_FALSE(StringExtensions::getFSRef(folder + QStringLiteral("/missing"), &error));
    EXPECT_TRUE(error.is(plat::kOSStatusErrorDomain, -43));
    ASSERT_TRUE(error.underlyingError().has_value());
    EXPECT_TRUE(error.underlyingError()->is(plat::kPosixErrorDomain, ENOENT));
    EXPECT_FALSE(StringExtensions::getFSRef(QString(), &error));
    EXPECT_TRUE(error.is(plat::kOSStatusErrorDomain, -43));
}

TEST(MutableArrayExtensionsTest, MovesOneElement)
{
    struct Case
    {
        std::ptrdiff_t from;
        std::ptrdiff_t to;
        QStringList result;
    };
    const QStringList abc = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
    const Case cases[] = {
        {0, 2, {QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("a")}},
        {0, 5, {QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("a")}},
        {2, 0, {QStringLiteral("c"), QStringLiteral("a"), QStringLiteral("b")}},
        {0, 1, {QStringLiteral("b"), QStringLiteral("a"), QStringLiteral("c")}},
        {3, 0, abc},
        {-1, 0, abc},
        {1, 1, abc},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << " -> " << c.to);
        QStringList list = abc;
        MutableArrayExtensions::moveObjectFromIndex(list, c.from, c.to);
        EXPECT_EQ(list, c.result);
    }
    std::vector<int> numbers = {1, 2, 3};
    MutableArrayExtensions::moveObjectFromIndex(numbers, 2, 0);
    EXPECT_EQ(numbers, (std::vector<int>{3, 1, 2}));
}

namespace {
struct Frame
{
    static inline int made = 0;
    Frame() : width(-1) { ++made; }
    explicit Frame(int w) : width(w) { ++made; }
    int frame() const { return width; }
    int width;
};
} // namespace

TEST(LazyProxyTest, MakesTheObjectOnFirstUseWithTheRecordedInitialisation)
{
    Frame::made = 0;
    auto proxy = lazy<Frame>();
    LazyProxy<Frame>& same = proxy.init(40);
    EXPECT_EQ(&same, &proxy);
    EXPECT_FALSE(proxy.isCreated());
    EXPECT_EQ(Frame::made, 0);
    EXPECT_EQ(proxy->frame(), 40);
    EXPECT_EQ(Frame::made, 1);
    EXPECT_EQ(proxy->frame(), 40);
    proxy.init(99);
    EXPECT_EQ(proxy->frame(), 40);
    EXPECT_EQ(Frame::made, 1);

    LazyProxy<Frame> plain;
    EXPECT_EQ((*plain).frame(), -1);
}
