#include "platform/NumberFormat.h"
#include "platform/Mutex.h"

#include <unicode/decimfmt.h>
#include <unicode/locid.h>
#include <unicode/numfmt.h>
#include <unicode/unistr.h>


namespace plat {

struct NumberFormat::Impl
{
    // ICU formatters must not be used by two threads at once.
    mutable Mutex mutex;
    std::unique_ptr<icu::NumberFormat> formatter MIV_GUARDED_BY(mutex);

    static QString toQString(const icu::UnicodeString& text)
    {
        return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
    }

    void makeDecimalStyle() MIV_REQUIRES(mutex)
    {
        UErrorCode status = U_ZERO_ERROR;
        formatter.reset(icu::NumberFormat::createInstance(icu::Locale::getDefault(), status));
        if (U_FAILURE(status))
            formatter.reset();
    }
};

NumberFormat::NumberFormat() : d(std::make_unique<Impl>())
{
    d->makeDecimalStyle();
}

NumberFormat::NumberFormat(const QString& pattern) : d(std::make_unique<Impl>())
{
    UErrorCode status = U_ZERO_ERROR;
    auto* symbols = new icu::DecimalFormatSymbols(icu::Locale::getDefault(), status);
    if (U_SUCCESS(status)) {
        const icu::UnicodeString icuPattern(reinterpret_cast<const UChar*>(pattern.utf16()), int32_t(pattern.size()));
        // The formatter takes ownership of the symbols, also on failure.
        auto formatter = std::make_unique<icu::DecimalFormat>(icuPattern, symbols, status);
        if (U_SUCCESS(status))
            d->formatter = std::move(formatter);
    } else {
        delete symbols;
    }
    if (!d->formatter)
        d->makeDecimalStyle();
}

NumberFormat::~NumberFormat() = default;

QString NumberFormat::format(double value) const
{
    MutexLock lock(d->mutex);
    if (!d->formatter)
        return QString::number(value);
    icu::UnicodeString text;
    d->formatter->format(value, text);
    return Impl::toQString(text);
}

QString NumberFormat::format(qint64 value) const
{
    MutexLock lock(d->mutex);
    if (!d->formatter)
        return QString::number(value);
    icu::UnicodeString text;
    d->formatter->format(int64_t(value), text);
    return Impl::toQString(text);
}

} // namespace plat
