#include "FileData/Formatters/MivFileSizeFormatter.h"

#include "FileData/Formatters/MivFormatterSettings.h"
#include "platform/NumberFormat.h"

#include <QCoreApplication>

#include <cmath>

namespace {

// Size markers that items put in place of a size.
constexpr qint64 kSizeNewItem = -101;
constexpr qint64 kSizeCalculating = -100;
constexpr qint64 kSizeFolderNotCounted = -99;
constexpr qint64 kSizeFolderLinkNotCounted = -98;
constexpr qint64 kSizePackageNotCalculated = -2;

QString markerText(qint64 size)
{
    switch (size) {
    case kSizeCalculating:
        return QStringLiteral("--");
    case kSizeFolderNotCounted:
        return QCoreApplication::translate("MivFileSizeFormatter", "<DIR>");
    case kSizeFolderLinkNotCounted:
        return QCoreApplication::translate("MivFileSizeFormatter", "<LNK>");
    case kSizePackageNotCalculated:
        return QStringLiteral("---");
    case kSizeNewItem:
    default:
        // The ".." row (-1), new items and unknown markers show nothing.
        return QString(QLatin1String(""));
    }
}

bool isNumber(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

// The largest factor whose cube (the gigabyte) fits in 64 bits. Above it the
// cube wraps, to 0 from 2^22 on, and the one-decimal sizes divide by it.
constexpr qint64 kLargestFactor = 2642245;
static_assert(quint64(kLargestFactor) * kLargestFactor <= ~quint64(0) / kLargestFactor);
static_assert(quint64(kLargestFactor + 1) * (kLargestFactor + 1) > ~quint64(0) / (kLargestFactor + 1));

// A factor below 2 would divide by zero or never step up a unit, one above
// kLargestFactor overflows: a source that answers nothing usable gets the
// default.
quint64 usableFactor(qint64 factor)
{
    return factor >= 2 && factor <= kLargestFactor ? quint64(factor) : 1024;
}

// "%.2f" of the platform, independent of the user's locale.
QString twoDecimals(double value, const char* unit)
{
    return QString::number(value, 'f', 2) + QLatin1Char(' ') + QLatin1String(unit);
}

QString wholeUnits(double size, double divisor, const char* unit)
{
    const double rounded = std::trunc(MivFileSizeFormatter::calculateSize(size, divisor) + 0.5);
    return MivFileSizeFormatter::formatValue(qint64(rounded)) + QLatin1Char(' ') + QLatin1String(unit);
}

} // namespace

MivFileSizeFormatter::MivFileSizeFormatter()
{
    readSettings();
}

void MivFileSizeFormatter::reinit()
{
    readSettings();
}

void MivFileSizeFormatter::readSettings()
{
    const MivFormatterSettings settings = MivFormatterSettings::current();
    _factor = usableFactor(settings.fileSizeCalculationFormat);
    _displayFormat = settings.sizeDisplayFormat;
}

QString MivFileSizeFormatter::stringForObjectValue(const QVariant& value) const
{
    if (!isNumber(value))
        return {};
    const qint64 size = value.toLongLong();
    if (size < 0)
        return markerText(size);
    return convertSize(size, _displayFormat, _factor);
}

quint64 MivFileSizeFormatter::currentFactor()
{
    return usableFactor(MivFormatterSettings::current().fileSizeCalculationFormat);
}

QString MivFileSizeFormatter::convertSize(qint64 size, qint64 format)
{
    return convertSize(size, format, currentFactor());
}

QString MivFileSizeFormatter::convertSize(qint64 size, qint64 format, quint64 factor)
{
    const double s = double(size);
    const double f = double(usableFactor(qint64(factor)));
    const double f2 = f * f;
    const double f3 = f2 * f;
    if (format == 1 || s < f)
        return formatValue(size);

    // The unit step of each format, by the size's band: below 100 K, below
    // 1 M, below 100 M, below 1 G, below 100 G, larger.
    int band = 5;
    if (s < 100 * f)
        band = 0;
    else if (s < f2)
        band = 1;
    else if (s < 100 * f2)
        band = 2;
    else if (s < f3)
        band = 3;
    else if (s < 100 * f3)
        band = 4;

    switch (format) {
    case 2:
        return wholeUnits(s, f, "K");
    case 3:
        if (band <= 1)
            return wholeUnits(s, f, "K");
        if (band <= 3)
            return wholeUnits(s, f2, "M");
        return wholeUnits(s, f3, "G");
    case 5:
        if (band <= 1)
            return wholeUnits(s, f, "K");
        return wholeUnits(s, f2, "M");
    default:
        switch (band) {
        case 0:
            return twoDecimals(calculateSize(s, f), "K");
        case 1:
            return wholeUnits(s, f, "K");
        case 2:
            return twoDecimals(calculateSize(s, f2), "M");
        case 3:
            return wholeUnits(s, f2, "M");
        case 4:
            return twoDecimals(calculateSize(s, f3), "G");
        default:
            return wholeUnits(s, f3, "G");
        }
    }
}

double MivFileSizeFormatter::calculateSize(double size, double divisor)
{
    return std::trunc(size / divisor * 100 + 0.5) / 100;
}

QString MivFileSizeFormatter::formatValue(qint64 value)
{
    static const plat::NumberFormat formatter;
    return formatter.format(value);
}
