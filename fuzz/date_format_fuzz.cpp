// Date services: any pattern in any locale formats and parses without
// failing hard; the fixed machine texts and the catalog records round-trip.

#include "FuzzSupport.h"

#include "FileData/Extensions/DateExtensions.h"
#include "platform/DateFormat.h"

#include <cstring>

using namespace DateExtensions;

namespace {

// Locales a user may have, and names ICU cannot make into one (LC_ALL may
// hold anything).
const char* const kLocales[] = {"", "en_US", "en_US_POSIX", "de_DE", "ja_JP", "ar_EG", "fa_IR", "th_TH@calendar=buddhist",
                                "abcdefghijklm", "en_abcdefghijklmnopqrstuvwxyz", "zz", "@"};
const char* const kZones[] = {"", "UTC", "Europe/Berlin", "America/St_Johns", "Australia/Lord_Howe", "Nowhere/Invalid"};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::initialize();
    ::setenv("TZ", "Europe/Berlin", 1);
    ::tzset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Input input(data, size);
    const char* locale = kLocales[input.byte() % std::size(kLocales)];
    const char* zone = kZones[input.byte() % std::size(kZones)];
    qint64 msecs = 0;
    for (int i = 0; i < 8; ++i)
        msecs = msecs << 8 | input.byte();
    const QString pattern = fuzz::text(input.part()).left(64);
    const QString text = fuzz::text(input.rest()).left(128);

    const QDateTime date = QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);

    // Any pattern, any locale: format and parse answer something or nothing.
    const plat::DateFormat format(pattern, QString::fromLatin1(zone), QString::fromLatin1(locale));
    const QString formatted = format.format(date);
    (void)format.parse(text);
    if (!formatted.isEmpty())
        (void)format.parse(formatted);

    // Catalog records: every date in their range comes back to the
    // millisecond, every other gives the empty record.
    const UTCDateTime record = UTCDateTimeFromNSDate(date);
    constexpr qint64 kFirst = -2082844800LL * 1000;
    constexpr qint64 kEnd = ((qint64(1) << 48) - 2082844800LL) * 1000;
    if (date.isValid() && msecs >= kFirst && msecs < kEnd) {
        FUZZ_CHECK(UTCDateTimeIsValid(record) || msecs == kFirst, std::to_string(msecs));
        // Exact while the seconds fit the double's 53 bits with milliseconds.
        if (UTCDateTimeIsValid(record) && msecs < ((qint64(1) << 40) - 2082844800LL) * 1000)
            FUZZ_CHECK(dateFromUTCDateTime(record).toMSecsSinceEpoch() == msecs, std::to_string(msecs),
                       std::to_string(dateFromUTCDateTime(record).toMSecsSinceEpoch()));
    } else {
        FUZZ_CHECK(!UTCDateTimeIsValid(record), std::to_string(msecs));
    }

    // The fixed machine texts: what parses formats to a text that parses to
    // the same date; a four-digit year formats and parses back.
    const QDateTime parsed = dateWithICalendarString(text);
    if (parsed.isValid())
        FUZZ_CHECK(dateWithICalendarString(descriptionICalendar(parsed)) == parsed, show(text), show(descriptionICalendar(parsed)));
    const QDateTime parsedIso = dateWithICalendarISO8601(text);
    if (parsedIso.isValid())
        FUZZ_CHECK(dateWithICalendarISO8601(descriptionISO8601(parsedIso)) == parsedIso, show(text), show(descriptionISO8601(parsedIso)));
    const QDateTime seconds = QDateTime::fromSecsSinceEpoch(msecs / 1000 % (qint64(8000) * 365 * 86400), Qt::UTC);
    if (seconds.date().year() >= 1000 && seconds.date().year() <= 9999) {
        const QString iCalendar = descriptionICalendar(seconds);
        FUZZ_CHECK(dateWithICalendarString(iCalendar) == seconds, show(iCalendar));
    }
    return 0;
}
