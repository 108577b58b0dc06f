#pragma once

#include <QDateTime>
#include <QString>

// The catalog date record of file-system catalogs: seconds since
// 1 January 1904 00:00 UTC as high and low parts and a 1/65536 fraction.
// All zero stands for no date.
#pragma pack(push, 1)
struct UTCDateTime
{
    quint16 highSeconds = 0;
    quint32 lowSeconds = 0;
    quint16 fraction = 0;
};
#pragma pack(pop)
static_assert(sizeof(UTCDateTime) == 8);

namespace DateExtensions {

bool UTCDateTimeIsValid(const UTCDateTime& time);
// Seconds since 1 January 2001 00:00 UTC.
double intervalFromUTCDateTime(const UTCDateTime& time);
// An invalid date for an all-zero record.
QDateTime dateFromUTCDateTime(const UTCDateTime& time);
// An all-zero record for an invalid date or one the record cannot hold
// (before 1904 or past its 48 bits of seconds).
UTCDateTime UTCDateTimeFromNSDate(const QDateTime& date);
bool UTCDateTimeIsEqualTo(const UTCDateTime& a, const UTCDateTime& b);

// "20240131T235959Z" in UTC; an invalid date when the text does not match.
QDateTime dateWithICalendarString(const QString& text);
// "2024-01-31 23:59:59" in the local time zone; invalid when it does not match.
QDateTime dateWithICalendarISO8601(const QString& text);
QString descriptionICalendar(const QDateTime& date);
QString descriptionISO8601(const QDateTime& date);

} // namespace DateExtensions
