#include "FileData/MivUtils.h"

#include <ctime>

QDateTime MivUtils::dateFromMsDosFormat(quint32 msDosDateTime)
{
    std::tm fields {};
    fields.tm_sec = int(msDosDateTime & 0x1F) * 2;
    fields.tm_min = int((msDosDateTime >> 5) & 0x3F);
    fields.tm_hour = int((msDosDateTime >> 11) & 0x1F);
    fields.tm_mday = int((msDosDateTime >> 16) & 0x1F);
    fields.tm_mon = int((msDosDateTime >> 21) & 0x0F) - 1;
    fields.tm_year = int((msDosDateTime >> 25) & 0x7F) + 80;
    // Out-of-range fields roll over (day 0, hour 31, second 62) first, as
    // calendar arithmetic without a time zone: mktime decides daylight
    // saving time by the fields as given, so a roll-over across a change
    // would come out an hour off.
    const std::time_t rolled = ::timegm(&fields);
    if (rolled == std::time_t(-1) || !::gmtime_r(&rolled, &fields))
        return QDateTime();
    // The fields are the wall-clock time where the file was stamped. Letting
    // mktime decide whether daylight saving time was in effect keeps a
    // summer stamp from coming out an hour late, as it would if the fields
    // were read as standard time.
    fields.tm_isdst = -1;
    const std::time_t seconds = std::mktime(&fields);
    if (seconds == std::time_t(-1))
        return QDateTime();
    return QDateTime::fromSecsSinceEpoch(qint64(seconds), Qt::UTC);
}
