#include "platform/DateFormat.h"

#include "platform/IcuString.h"

#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <mutex>

namespace plat {

using icu_string::fromIcu;
using icu_string::toIcu;

struct DateFormat::Impl
{
    // SimpleDateFormat keeps a calendar it changes while it works.
    mutable std::mutex mutex;
    QString pattern;
    std::unique_ptr<icu::SimpleDateFormat> formatter;
};

DateFormat::DateFormat(const QString& pattern, const QString& timeZoneId, const QString& localeId)
    : d(std::make_unique<Impl>())
{
    d->pattern = pattern;
    icu::Locale locale = localeId.isEmpty() ? icu::Locale::getDefault() : icu::Locale(localeId.toLatin1().constData());
    // A name ICU cannot make into a locale (LC_ALL may hold anything) gives
    // a bogus locale, which some pattern letters ("B") crash on: such a
    // name falls back to the fixed machine locale.
    if (locale.isBogus())
        locale = icu::Locale("en_US_POSIX");
    UErrorCode status = U_ZERO_ERROR;
    auto formatter = std::make_unique<icu::SimpleDateFormat>(toIcu(pattern), locale, status);
    if (U_FAILURE(status))
        return;
    if (!timeZoneId.isEmpty())
        formatter->adoptTimeZone(icu::TimeZone::createTimeZone(toIcu(timeZoneId)));
    // Strict: a missing literal or trailing text is no match.
    formatter->setLenient(false);
    formatter->setBooleanAttribute(UDAT_PARSE_PARTIAL_LITERAL_MATCH, false, status);
    formatter->setBooleanAttribute(UDAT_PARSE_MULTIPLE_PATTERNS_FOR_MATCH, false, status);
    if (U_FAILURE(status))
        return;
    d->formatter = std::move(formatter);
}

DateFormat::~DateFormat() = default;

QString DateFormat::pattern() const
{
    return d->pattern;
}

QString DateFormat::format(const QDateTime& date) const
{
    if (!date.isValid() || !d->formatter)
        return {};
    std::lock_guard lock(d->mutex);
    icu::UnicodeString text;
    d->formatter->format(UDate(date.toMSecsSinceEpoch()), text);
    return fromIcu(text);
}

namespace {

// No date text has a longer run of digits: "yyyyMMddHHmmssSSS" abuts 17.
constexpr int kLongestDigitRun = 18;

// Decimal digits of any script, as ICU counts them (general category Nd).
bool hasLongDigitRun(const QString& text)
{
    int run = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            c = QChar::surrogateToUcs4(char16_t(c), text.at(++i).unicode());
        run = QChar::isDigit(c) ? run + 1 : 0;
        if (run > kLongestDigitRun)
            return true;
    }
    return false;
}

} // namespace

QDateTime DateFormat::parse(const QString& text) const
{
    if (!d->formatter || text.isEmpty())
        return {};
    // ICU scales a fraction of a second by a 32-bit power of ten per digit
    // it read: a long run of digits overflows it, and from 35 digits on
    // parsing divides by zero.
    if (hasLongDigitRun(text))
        return {};
    std::lock_guard lock(d->mutex);
    const icu::UnicodeString input = toIcu(text);
    icu::ParsePosition position(0);
    const UDate date = d->formatter->parse(input, position);
    if (position.getErrorIndex() >= 0 || position.getIndex() != input.length())
        return {};
    return QDateTime::fromMSecsSinceEpoch(qint64(date), Qt::UTC);
}

} // namespace plat
