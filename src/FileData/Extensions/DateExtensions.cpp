#include "FileData/Extensions/DateExtensions.h"

#include "platform/DateFormat.h"

#include <cmath>

namespace DateExtensions {

namespace {

constexpr double kSeconds1904To2001 = 3061152000.0;
constexpr qint64 kSeconds1904To1970 = 2082844800;
constexpr qint64 kSeconds1970To2001 = 978307200;

// Calendar year and 0-23 hour: the week-based year ("YYYY") and the 1-24
// hour ("kk") give the wrong year in the last days of December and "24" at
// midnight. The fixed POSIX locale keeps the texts the same for every user.
const plat::DateFormat& iCalendarFormat()
{
    static const plat::DateFormat format(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"), QStringLiteral("UTC"),
                                         QStringLiteral("en_US_POSIX"));
    return format;
}

const plat::DateFormat& iso8601Format()
{
    static const plat::DateFormat format(QStringLiteral("yyyy-MM-dd HH:mm:ss"), QString(), QStringLiteral("en_US_POSIX"));
    return format;
}

} // namespace

bool UTCDateTimeIsValid(const UTCDateTime& time)
{
    return time.highSeconds != 0 || time.lowSeconds != 0 || time.fraction != 0;
}

double intervalFromUTCDateTime(const UTCDateTime& time)
{
    return double(time.lowSeconds) - kSeconds1904To2001 + double(time.highSeconds) * 4294967296.0
        + double(time.fraction) / 65536.0;
}

QDateTime dateFromUTCDateTime(const UTCDateTime& time)
{
    if (!UTCDateTimeIsValid(time))
        return {};
    const double sinceEpoch = intervalFromUTCDateTime(time) + double(kSeconds1970To2001);
    return QDateTime::fromMSecsSinceEpoch(qint64(std::llround(sinceEpoch * 1000.0)), Qt::UTC);
}

UTCDateTime UTCDateTimeFromNSDate(const QDateTime& date)
{
    if (!date.isValid())
        return {};
    // Checked before adding: QDateTime reaches to the ends of 64 bits, where
    // the offset to 1904 would overflow.
    constexpr qint64 kOffsetMSecs = kSeconds1904To1970 * 1000;
    constexpr qint64 kEndMSecs = (qint64(1) << 48) * 1000 - kOffsetMSecs;
    const qint64 sinceEpoch = date.toMSecsSinceEpoch();
    if (sinceEpoch < -kOffsetMSecs || sinceEpoch >= kEndMSecs)
        return {};
    const qint64 msecs = sinceEpoch + kOffsetMSecs;
    const qint64 seconds = msecs / 1000;
    UTCDateTime time;
    time.highSeconds = quint16(seconds >> 32);
    time.lowSeconds = quint32(seconds & 0xFFFFFFFF);
    time.fraction = quint16((msecs % 1000) * 65536 / 1000);
    return time;
}

bool UTCDateTimeIsEqualTo(const UTCDateTime& a, const UTCDateTime& b)
{
    return a.highSeconds == b.highSeconds && a.lowSeconds == b.lowSeconds && a.fraction == b.fraction;
}

QDateTime dateWithICalendarString(const QString& text)
{
    return iCalendarFormat().parse(text);
}

QDateTime dateWithICalendarISO8601(const QString& text)
{
    return iso8601Format().parse(text);
}

QString descriptionICalendar(const QDateTime& date)
{
    return iCalendarFormat().format(date);
}

QString descriptionISO8601(const QDateTime& date)
{
    return iso8601Format().format(date);
}

} // namespace DateExtensions
