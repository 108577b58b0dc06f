#pragma once

#include <QString>

// Optional part of a checksum delegate: sees the checksum of the bytes read
// so far after every chunk; false stops the calculation.
class IMivChecksumInterimDelegate
{
public:
    virtual ~IMivChecksumInterimDelegate() = default;
    virtual bool interim(const QString& checksum) = 0;
};
