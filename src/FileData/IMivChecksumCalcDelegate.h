#pragma once

#include <QVariantMap>

#include <memory>

namespace plat {
class Error;
}

// The caller's row of the checksum tools, passed back unchanged.
using MivChecksumEntry = std::shared_ptr<QVariantMap>;

// Watches one checksum calculation; called on the calculating thread.
class IMivChecksumCalcDelegate
{
public:
    virtual ~IMivChecksumCalcDelegate() = default;

    // True stops the calculation before the next read.
    virtual bool isAborted() = 0;
    // After each chunk: the fraction read, or with unknownSize the bytes read.
    virtual void progress(double progress, bool withPercent, const MivChecksumEntry& forEntry) = 0;
    // The read failed for good.
    virtual void processError(const plat::Error& error, const MivChecksumEntry& forEntry) = 0;
};
