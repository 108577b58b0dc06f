#pragma once

#include "FileData/IMivFileDataPropertiesProvider.h"
#include "FileData/MivFileDataHelpers.h"

#include <memory>

namespace mivtest {

// Settings as the file layer reads them, with plain fields a test sets.
class FakePropertiesProvider : public IMivFileDataPropertiesProvider
{
public:
    bool foldersAlwaysByName() const override { return foldersAlwaysByNameValue; }
    bool foldersFirst() const override { return foldersFirstValue; }
    bool packagesFirst() const override { return packagesFirstValue; }
    bool treatPackagesAsFolders() const override { return treatPackagesAsFoldersValue; }
    bool iconPreview() const override { return iconPreviewValue; }
    bool useTrash() const override { return useTrashValue; }
    bool useLocalizedNames() const override { return useLocalizedNamesValue; }
    qint64 fileSizeCalculationFormat() const override { return fileSizeCalculationFormatValue; }
    qint64 permissionFormat() const override { return permissionFormatValue; }
    QString dateFormat() const override { return dateFormatValue; }
    qint64 sizeDisplayFormat() const override { return sizeDisplayFormatValue; }
    QList<std::shared_ptr<IMivPlugin>> plugins() const override { return pluginsValue; }
    QList<std::shared_ptr<IMivIconPlugin>> imagePlugins() const override { return imagePluginsValue; }
    QVariantMap dict() const override { return store; }
    void setDictObject(const QVariant& object, const QString& forKey) override { store.insert(forKey, object); }

    bool foldersAlwaysByNameValue = false;
    bool foldersFirstValue = true;
    bool packagesFirstValue = false;
    bool treatPackagesAsFoldersValue = false;
    bool iconPreviewValue = false;
    bool useTrashValue = true;
    bool useLocalizedNamesValue = false;
    qint64 fileSizeCalculationFormatValue = 1024;
    qint64 permissionFormatValue = 1;
    QString dateFormatValue = QStringLiteral("dd/MM/yy HH:mm:ss");
    qint64 sizeDisplayFormatValue = 4;
    QList<std::shared_ptr<IMivPlugin>> pluginsValue;
    QList<std::shared_ptr<IMivIconPlugin>> imagePluginsValue;
    QVariantMap store;
};

// Registers a provider for the life of a test and takes it away after.
class ScopedPropertiesProvider
{
public:
    explicit ScopedPropertiesProvider(std::shared_ptr<FakePropertiesProvider> provider = std::make_shared<FakePropertiesProvider>())
        : m_provider(std::move(provider))
    {
        MivFileDataHelpers::registerFileDataPropertiesProvider(m_provider);
    }
    ~ScopedPropertiesProvider() { MivFileDataHelpers::registerFileDataPropertiesProvider(nullptr); }
    ScopedPropertiesProvider(const ScopedPropertiesProvider&) = delete;
    ScopedPropertiesProvider& operator=(const ScopedPropertiesProvider&) = delete;

    FakePropertiesProvider& operator*() const { return *m_provider; }
    FakePropertiesProvider* operator->() const { return m_provider.get(); }

private:
    std::shared_ptr<FakePropertiesProvider> m_provider;
};

} // namespace mivtest
