#pragma once

#include <QString>

#include <memory>
#include <mutex>

namespace plat {
class NumberFormat;
}

// Sizes with one decimal and a unit ("1.5 KB") and dimension texts
// ("640 x 480"), for the info inspector and the file-tool dialogs. One shared
// instance; safe to use from any thread.
class MivSizeFormatter
{
public:
    static MivSizeFormatter& sharedInstance();

    QString fileSize(quint64 size);
    QString fileSize(quint64 size, bool allowBytes);
    // The number text; the unit index 0-3 (bytes, KB, MB, GB) goes to
    // *outUnit when given.
    QString fileSize(quint64 size, int* outUnit, bool allowBytes);
    QString fileSizeInBytes(quint64 size);
    QString numberString(double size);
    QString sizeString(double width, double height);
    QString stringForUnit(int unit);

    static quint64 currentFactor();

    QString byteUnit() const;
    void setByteUnit(const QString& unit);
    QString kiloUnit() const;
    void setKiloUnit(const QString& unit);
    QString megaUnit() const;
    void setMegaUnit(const QString& unit);
    QString gigaUnit() const;
    void setGigaUnit(const QString& unit);

private:
    MivSizeFormatter();
    ~MivSizeFormatter();

    const plat::NumberFormat& numberFormatter();

    mutable std::mutex _mutex;
    std::unique_ptr<plat::NumberFormat> mNumFormatter;  // made on first use
    QString mByteUnit;
    QString mKiloUnit;
    QString mMegaUnit;
    QString mGigaUnit;
};
