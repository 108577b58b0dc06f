#pragma once

#include <QDateTime>
#include <QString>

#include <memory>

namespace plat {

// Dates as texts with a Unicode date pattern ("dd/MM/yy HH:mm:ss",
// "EEE, d MMM yyyy h:mm a"), through ICU SimpleDateFormat. Patterns mean
// what they mean to ICU: "YYYY" is the week-based year, "kk" the hour 1-24.
// Safe to share between threads.
class DateFormat
{
public:
    // An empty time zone is the process's zone (TZ); an empty locale is the
    // ICU default locale. "en_US_POSIX" gives fixed texts for machines.
    explicit DateFormat(const QString& pattern, const QString& timeZoneId = {}, const QString& localeId = {});
    ~DateFormat();
    DateFormat(const DateFormat&) = delete;
    DateFormat& operator=(const DateFormat&) = delete;

    QString pattern() const;

    // A null text for an invalid date.
    QString format(const QDateTime& date) const;
    // The date that the whole text gives; an invalid date when the text does
    // not match the pattern (strict reading) or holds a run of more than 18
    // digits, which no date has.
    QDateTime parse(const QString& text) const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace plat
