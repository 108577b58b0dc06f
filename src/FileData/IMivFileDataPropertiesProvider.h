#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>

class IMivIconPlugin;
class IMivPlugin;

// The application's settings as the file layer reads them.
class IMivFileDataPropertiesProvider
{
public:
    virtual ~IMivFileDataPropertiesProvider() = default;

    virtual bool foldersAlwaysByName() const = 0;
    virtual bool foldersFirst() const = 0;
    virtual bool packagesFirst() const = 0;
    virtual bool treatPackagesAsFolders() const = 0;
    virtual bool iconPreview() const = 0;
    virtual bool useTrash() const = 0;
    virtual bool useLocalizedNames() const = 0;
    // Unit base of size texts: 1000 or 1024.
    virtual qint64 fileSizeCalculationFormat() const = 0;
    virtual qint64 permissionFormat() const = 0;
    virtual QString dateFormat() const = 0;
    virtual qint64 sizeDisplayFormat() const = 0;
    virtual QList<std::shared_ptr<IMivPlugin>> plugins() const = 0;
    // Asked in order; the first that answers an icon wins.
    virtual QList<std::shared_ptr<IMivIconPlugin>> imagePlugins() const = 0;
    // The settings' general key-value store.
    virtual QVariantMap dict() const = 0;
    virtual void setDictObject(const QVariant& object, const QString& forKey) = 0;
};
