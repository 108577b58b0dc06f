#pragma once

#include "app/plugins/IMivArchivePlugin.h"

// What every archive plug-in answers until its back-end is built: its
// extensions, and no items (no key is claimed, nothing opens).
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

private:
    QStringList m_extensions;
};
