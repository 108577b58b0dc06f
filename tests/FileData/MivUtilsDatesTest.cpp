#include "FileData/MivUtils.h"

#include "ScopedEnv.h"

#include <gtest/gtest.h>

namespace {

quint32 msDos(int year, int month, int day, int hour, int minute, int secondsField)
{
    return quint32(year - 1980) << 25 | quint32(month) << 21 | quint32(day) << 16 | quint32(hour) << 11
           | quint32(minute) << 5 | quint32(secondsField);
}

QDateTime utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), Qt::UTC);
}

// The test main fixes TZ=UTC, so local time is UTC here unless a test says
// otherwise.
TEST(MivUtilsDatesTest, DecodesFieldsAndRollsOverOutOfRangeOnes)
{
    struct Case
    {
        quint32 value;
        QDateTime expected;
    };
    const Case cases[] = {
        // Zero: day 0 of month 0 of 1980 rolls back to 30 November 1979.
        {0, utc(1979, 11, 30)},
        {msDos(1980, 1, 1, 0, 0, 0), utc(1980, 1, 1)},
        {msDos(2107, 12, 31, 23, 59, 29), utc(2107, 12, 31, 23, 59, 58)},
        // Two-second resolution: the field holds half the seconds.
        {msDos(2000, 6, 15, 10, 20, 5), utc(2000, 6, 15, 10, 20, 10)},
        {msDos(2000, 6, 15, 10, 59, 31), utc(2000, 6, 15, 11, 0, 2)},
        {msDos(2000, 6, 15, 31, 63, 0), utc(2000, 6, 16, 8, 3)},
        {msDos(2020, 13, 1, 0, 0, 0), utc(2021, 1, 1)},
        {msDos(2020, 15, 31, 0, 0, 0), utc(2021, 3, 31)},
        {msDos(2021, 2, 31, 0, 0, 0), utc(2021, 3, 3)},
        {msDos(2024, 2, 29, 12, 0, 0), utc(2024, 2, 29, 12)},
        {msDos(2024, 3, 0, 0, 0, 0), utc(2024, 2, 29)},
        {0xFFFFFFFFu, utc(2108, 4, 1, 8, 4, 2)},
    };
    for (const Case& c : cases) {
        const QDateTime date = MivUtils::dateFromMsDosFormat(c.value);
        ASSERT_TRUE(date.isValid()) << std::hex << c.value;
        EXPECT_EQ(date.toUTC(), c.expected) << std::hex << c.value << " gave " << date.toString(Qt::ISODate).toStdString();
    }
}

TEST(MivUtilsDatesTest, SummerStampsUseDaylightSavingTime)
{
    // Central European time written as a POSIX rule, so no zone database is needed.
    mivtest::ScopedEnv zone("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    EXPECT_EQ(MivUtils::dateFromMsDosFormat(msDos(2023, 1, 15, 14, 0, 0)).toUTC(), utc(2023, 1, 15, 13));
    EXPECT_EQ(MivUtils::dateFromMsDosFormat(msDos(2023, 7, 1, 14, 0, 0)).toUTC(), utc(2023, 7, 1, 12));
}

TEST(MivUtilsDatesTest, FieldsThatRollOverADaylightSavingChangeTakeTheRolledTime)
{
    // 2020: summer time began on 29 March at 02:00 and ended on 25 October
    // at 03:00. Seconds field 30 is 60 seconds, one minute past the fields.
    mivtest::ScopedEnv zone("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    struct Case
    {
        quint32 value;
        QDateTime expected;
    };
    const Case cases[] = {
        // 02:59:60 does not exist; it is 03:00 summer time.
        {msDos(2020, 3, 29, 2, 59, 30), utc(2020, 3, 29, 1)},
        // 26:59:60 on the 28th is 03:00 summer time on the 29th.
        {msDos(2020, 3, 28, 26, 59, 30), utc(2020, 3, 29, 1)},
        // 02:59:60 is 03:00 standard time once summer time has ended.
        {msDos(2020, 10, 25, 2, 59, 30), utc(2020, 10, 25, 2)},
        {msDos(2020, 10, 24, 26, 59, 30), utc(2020, 10, 25, 2)},
        // Month 15 of 2019 is March 2020.
        {msDos(2019, 15, 29, 2, 59, 30), utc(2020, 3, 29, 1)},
    };
    for (const Case& c : cases) {
        const QDateTime date = MivUtils::dateFromMsDosFormat(c.value);
        EXPECT_EQ(date.toUTC(), c.expected) << std::hex << c.value << " gave " << date.toUTC().toString(Qt::ISODate).toStdString();
    }
}

} // namespace
