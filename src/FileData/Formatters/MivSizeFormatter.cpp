#include "FileData/Formatters/MivSizeFormatter.h"

#include "FileData/Formatters/MivFileSizeFormatter.h"
#include "platform/NumberFormat.h"

#include <QCoreApplication>

MivSizeFormatter& MivSizeFormatter::sharedInstance()
{
    static MivSizeFormatter instance;
    return instance;
}

MivSizeFormatter::MivSizeFormatter()
    : mByteUnit(QCoreApplication::translate("MivSizeFormatter", "bytes")),
      mKiloUnit(QStringLiteral("KB")),
      mMegaUnit(QStringLiteral("MB")),
      mGigaUnit(QStringLiteral("GB"))
{
}

MivSizeFormatter::~MivSizeFormatter() = default;

const plat::NumberFormat& MivSizeFormatter::numberFormatter()
{
    std::lock_guard lock(_mutex);
    if (!mNumFormatter)
        mNumFormatter = std::make_unique<plat::NumberFormat>(QStringLiteral("#,##0.##"));
    return *mNumFormatter;
}

QString MivSizeFormatter::fileSize(quint64 size)
{
    return fileSize(size, true);
}

QString MivSizeFormatter::fileSize(quint64 size, bool allowBytes)
{
    int unit = 0;
    const QString number = fileSize(size, &unit, allowBytes);
    return number + QLatin1Char(' ') + stringForUnit(unit);
}

QString MivSizeFormatter::fileSize(quint64 size, int* outUnit, bool allowBytes)
{
    const quint64 f = currentFactor();
    const quint64 f2 = f * f;
    const quint64 f3 = f2 * f;
    if (allowBytes && size < f) {
        if (outUnit)
            *outUnit = 0;
        return QString::number(size);
    }
    quint64 divisor = f;
    int unit = 1;
    if (size >= f2 && size < f3) {
        divisor = f2;
        unit = 2;
    } else if (size >= f3) {
        divisor = f3;
        unit = 3;
    }
    const quint64 whole = size / divisor;
    // The tenths, truncated, in integers: in floating point a remainder just
    // below the divisor rounds up to a tenth digit of 10 ("3.10 GB").
    const int digit = int(static_cast<unsigned __int128>(size % divisor) * 10 / divisor);
    if (outUnit)
        *outUnit = unit;
    QString text = QString::number(whole);
    if (digit != 0)
        text += QLatin1Char('.') + QString::number(digit);
    return text;
}

QString MivSizeFormatter::fileSizeInBytes(quint64 size)
{
    return numberString(double(size)) + QLatin1Char(' ') + byteUnit();
}

QString MivSizeFormatter::numberString(double size)
{
    return numberFormatter().format(size);
}

QString MivSizeFormatter::sizeString(double width, double height)
{
    const plat::NumberFormat& formatter = numberFormatter();
    return QStringLiteral("%1 x %2").arg(formatter.format(double(float(width))), formatter.format(double(float(height))));
}

QString MivSizeFormatter::stringForUnit(int unit)
{
    switch (unit) {
    case 0:
        return byteUnit();
    case 1:
        return kiloUnit();
    case 2:
        return megaUnit();
    case 3:
        return gigaUnit();
    default:
        return QString(QLatin1String(""));
    }
}

quint64 MivSizeFormatter::currentFactor()
{
    return MivFileSizeFormatter::currentFactor();
}

QString MivSizeFormatter::byteUnit() const
{
    std::lock_guard lock(_mutex);
    return mByteUnit;
}

void MivSizeFormatter::setByteUnit(const QString& unit)
{
    std::lock_guard lock(_mutex);
    mByteUnit = unit;
}

QString MivSizeFormatter::kiloUnit() const
{
    std::lock_guard lock(_mutex);
    return mKiloUnit;
}

void MivSizeFormatter::setKiloUnit(const QString& unit)
{
    std::lock_guard lock(_mutex);
    mKiloUnit = unit;
}

QString MivSizeFormatter::megaUnit() const
{
    std::lock_guard lock(_mutex);
    return mMegaUnit;
}

void MivSizeFormatter::setMegaUnit(const QString& unit)
{
    std::lock_guard lock(_mutex);
    mMegaUnit = unit;
}

QString MivSizeFormatter::gigaUnit() const
{
    std::lock_guard lock(_mutex);
    return mGigaUnit;
}

void MivSizeFormatter::setGigaUnit(const QString& unit)
{
    std::lock_guard lock(_mutex);
    mGigaUnit = unit;
}
