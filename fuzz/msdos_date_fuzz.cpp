// MS-DOS dates: every 32-bit stamp gives a date, and that date is the
// rolled-over fields as wall-clock time in the local zone (checked with Qt's
// calendar arithmetic, a second implementation), an hour later only where
// the fields fall into the hour a daylight-saving change skips.

#include "FuzzSupport.h"

#include "FileData/MivUtils.h"

#include <cstring>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::initialize();
    ::setenv("TZ", "Europe/Berlin", 1);
    ::tzset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4)
        return 0;
    quint32 stamp = 0;
    std::memcpy(&stamp, data, 4);

    const QDateTime date = MivUtils::dateFromMsDosFormat(stamp);
    FUZZ_CHECK(date.isValid(), std::to_string(stamp));

    // The fields, rolled over as plain calendar arithmetic.
    const int seconds = int(stamp & 0x1F) * 2;
    const int minutes = int((stamp >> 5) & 0x3F);
    const int hours = int((stamp >> 11) & 0x1F);
    const int day = int((stamp >> 16) & 0x1F);
    const int month = int((stamp >> 21) & 0x0F);
    const int year = int((stamp >> 25) & 0x7F) + 1980;
    const QDateTime wall = QDateTime(QDate(year, 1, 1), QTime(0, 0), Qt::UTC)
                               .addMonths(month - 1)
                               .addDays(day - 1)
                               .addSecs(qint64(hours) * 3600 + minutes * 60 + seconds);
    const QDateTime local = date.toLocalTime();
    const QDateTime shown(local.date(), local.time(), Qt::UTC);
    const qint64 difference = wall.secsTo(shown);
    FUZZ_CHECK(difference == 0 || difference == 3600, std::to_string(stamp), show(wall.toString(Qt::ISODate)),
               show(shown.toString(Qt::ISODate)));
    if (difference == 3600) {
        // Only a wall time that does not exist moves on.
        const QDateTime asLocal(wall.date(), wall.time(), Qt::LocalTime);
        FUZZ_CHECK(!asLocal.isValid() || asLocal.time() != wall.time(), std::to_string(stamp), show(wall.toString(Qt::ISODate)));
    }
    return 0;
}
