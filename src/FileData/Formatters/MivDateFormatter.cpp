#include "FileData/Formatters/MivDateFormatter.h"

#include "FileData/Formatters/MivFormatterSettings.h"
#include "platform/DateFormat.h"

MivDateFormatter::MivDateFormatter()
{
    readSettings();
}

MivDateFormatter::~MivDateFormatter() = default;

void MivDateFormatter::reinit()
{
    readSettings();
}

void MivDateFormatter::readSettings()
{
    const QString pattern = MivFormatterSettings::current().dateFormat;
    auto formatter = std::make_shared<const plat::DateFormat>(pattern);
    std::lock_guard lock(_mutex);
    _format = pattern;
    _formatter = std::move(formatter);
}

QString MivDateFormatter::format() const
{
    std::lock_guard lock(_mutex);
    return _format;
}

QString MivDateFormatter::stringForObjectValue(const QVariant& value) const
{
    if (value.metaType() != QMetaType::fromType<QDateTime>())
        return {};
    return stringFromDate(value.toDateTime());
}

QString MivDateFormatter::stringFromDate(const QDateTime& date) const
{
    std::shared_ptr<const plat::DateFormat> formatter;
    {
        std::lock_guard lock(_mutex);
        formatter = _formatter;
    }
    return formatter->format(date);
}
