#pragma once

#include "app/plugins/IMivArchivePlugin.h"

// What every archive plug-in answers until its back-end is built: its
// extensions, and no items (no key is claimed, nothing opens, packs or
// unpacks).
class MivArchivePluginPlaceholder : public IMivArchivePlugin
{
public:
    explicit MivArchivePluginPlaceholder(QStringList extensions)
        : m_extensions(std::move(extensions))
    {
    }

    QStringList extensions() const override { return m_extensions; }
    bool checkInstanceForPath(const QString&) override { return false; }
    MivFileDataPtr instanceForKey(const QString&, plat::Error*) override { return nullptr; }
    MivFileDataPtr openFileData(const MivFileDataPtr&) override { return nullptr; }
    MivFileDataPtr closeFileData(const MivFileDataPtr&, const MivFileDataPtr&) override { return nullptr; }
    bool compressAllowed() const override { return false; }
    QString archiveName() const override { return QString(); }
    QString defaultExtension() const override { return m_extensions.value(0); }
    MivFileDataPtr makeInstanceForParent(const MivFileDataPtr&, const QString&) override { return nullptr; }
    MivFileDataPtr goInside(const MivFileDataPtr&) override { return nullptr; }
    bool decompressFileData(const MivFileDataPtr&, const MivFileDataPtr&, const std::shared_ptr<IDecompressHandler>&) override
    {
        return false;
    }

private:
    QStringList m_extensions;
};
