#pragma once

#include "FileData/Formatters/MivDisplayFormatter.h"

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <memory>
#include <mutex>

namespace plat {
class DateFormat;
}

// Item dates in the user's date pattern (a Unicode pattern such as
// "dd/MM/yy HH:mm:ss"), in the local time zone and the user's locale.
class MivDateFormatter : public MivDisplayFormatter
{
public:
    MivDateFormatter();
    ~MivDateFormatter() override;

    void reinit() override;

    QString format() const;

    // A null text for anything but a date.
    QString stringForObjectValue(const QVariant& value) const;
    QString stringFromDate(const QDateTime& date) const;

private:
    void readSettings();

    mutable std::mutex _mutex;
    QString _format;
    std::shared_ptr<const plat::DateFormat> _formatter;  // made for _format
};
