#pragma once

#include <QString>

#include <memory>

namespace plat {

// A number formatter of ICU in the ICU default locale: the decimal style of
// the locale, or a pattern such as "#,##0.##". Safe to share between threads.
class NumberFormat
{
public:
    // The locale's decimal style: grouping, no fixed decimals.
    NumberFormat();
    // An ICU decimal pattern with the locale's symbols; an invalid pattern
    // falls back to the decimal style.
    explicit NumberFormat(const QString& pattern);
    ~NumberFormat();
    NumberFormat(const NumberFormat&) = delete;
    NumberFormat& operator=(const NumberFormat&) = delete;

    QString format(double value) const;
    QString format(qint64 value) const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace plat
