#pragma once

#include "FileData/Formatters/MivDisplayFormatter.h"

#include <QString>
#include <QVariant>

// Item sizes as the panels show them, including the size markers of folders,
// links and the ".." row.
class MivFileSizeFormatter : public MivDisplayFormatter
{
public:
    MivFileSizeFormatter();

    void reinit() override;

    qint64 displayFormat() const { return _displayFormat; }
    void setDisplayFormat(qint64 displayFormat) { _displayFormat = displayFormat; }
    quint64 factor() const { return _factor; }

    // A null text for anything but a number; a marker text for negative
    // sizes; else the size text in this formatter's format and factor.
    QString stringForObjectValue(const QVariant& value) const;

    // The unit factor of the settings: 1000 or 1024 bytes per K.
    static quint64 currentFactor();
    static QString convertSize(qint64 size, qint64 format);
    static QString convertSize(qint64 size, qint64 format, quint64 factor);
    // size / divisor rounded to two decimals.
    static double calculateSize(double size, double divisor);
    // A whole number in the decimal style of the user's locale ("1,023").
    static QString formatValue(qint64 value);

protected:
    quint64 _factor = 1024;
    qint64 _displayFormat = 4;

private:
    void readSettings();
};
