#pragma once

#include <QString>

// What an archive plug-in asks of the copy engine's worker while it unpacks.
class IDecompressHandler
{
public:
    virtual ~IDecompressHandler() = default;

    // True once the operation is cancelled; unpacking stops at the next entry.
    virtual bool cancelled() = 0;
    virtual void updateStatusWithMessage(const QString& message, quint64 bytesCompleted) = 0;
};
