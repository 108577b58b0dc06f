#pragma once

#include "FileData/MivFileDataTypes.h"

#include <QString>
#include <QVariantMap>

#include <optional>

// A saved tab location resolved into items: the root item of the location
// (null when it did not resolve, no longer exists or its share could not be
// connected) and the saved folder rebased onto that root (null when the
// location had no root key). Resolving may connect to a server and ask the
// user for credentials: never made on the main thread.
class MivFileDataDescriptor
{
public:
    // Any of the three may be missing (null key, nullopt descriptor).
    MivFileDataDescriptor(const QString& pathKey, const QString& rootKey, const std::optional<QVariantMap>& remoteData);

    // "NETWORK" and "BONJOUR" give their roots; else the item of the root
    // key, or of the path key without one, refreshed; null with neither.
    static MivFileDataPtr resolveRootDataForPathKey(const QString& pathKey, const QString& rootKey);

    MivFileDataPtr root() const { return _root; }
    MivFileDataPtr data() const { return _data; }

private:
    MivFileDataPtr _root;
    MivFileDataPtr _data;
};
