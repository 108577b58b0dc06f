#include "app/settings/MivContext.h"

#include "FileData/MivFileData.h"
#include "app/dropbox/MivDropboxFileData.h"
#include "app/dropbox/MivDropboxRoot.h"
#include "app/plugins/MivGitPlugin.h"
#include "app/plugins/MivLibArchivePlugin.h"
#include "app/plugins/MivSvnPlugin.h"
#include "app/plugins/MivZipArchivePlugin.h"
#include "platform/PathString.h"

QList<std::shared_ptr<IMivPlugin>> MivContext::plugins() const
{
    {
        std::lock_guard guard(m_pluginsLock);
        if (m_plugins)
            return *m_plugins;
    }
    // Made outside the lock: making the cloud root refreshes an item, which
    // may ask the settings again. Of two threads building at once, the
    // first to store wins and both answer its list.
    QList<std::shared_ptr<IMivPlugin>> list;
    if (enableGIT())
        list.append(std::make_shared<MivGitPlugin>());
    if (enableSVN())
        list.append(std::make_shared<MivSvnPlugin>());
    list.append(std::make_shared<MivZipArchivePlugin>());
    for (const auto& plugin : MivLibArchivePlugin::allSupported())
        list.append(plugin);
    list.append(MivDropboxRoot::sharedInstance());
    list.append(MivFileData::makeItem<MivDropboxFileData>());

    QMap<QString, std::shared_ptr<IMivArchivePlugin>> extensionMap;
    QList<std::shared_ptr<IMivFileHandlingPlugin>> filePlugins;
    QList<std::shared_ptr<IMivIconPlugin>> imagePlugins;
    for (const auto& plugin : list) {
        if (auto archive = std::dynamic_pointer_cast<IMivArchivePlugin>(plugin)) {
            for (const QString& extension : archive->extensions())
                extensionMap.insert(extension, archive);
        }
        if (auto handling = std::dynamic_pointer_cast<IMivFileHandlingPlugin>(plugin))
            filePlugins.append(handling);
        if (auto icon = std::dynamic_pointer_cast<IMivIconPlugin>(plugin))
            imagePlugins.append(icon);
    }

    std::lock_guard guard(m_pluginsLock);
    if (m_plugins)
        return *m_plugins;
    m_plugins = list;
    m_extensionMap = extensionMap;
    m_filePlugins = filePlugins;
    m_imagePlugins = imagePlugins;
    return list;
}

QList<std::shared_ptr<IMivIconPlugin>> MivContext::imagePlugins() const
{
    std::lock_guard guard(m_pluginsLock);
    return m_imagePlugins.value_or(QList<std::shared_ptr<IMivIconPlugin>>());
}

std::optional<QList<std::shared_ptr<IMivFileHandlingPlugin>>> MivContext::filePlugins() const
{
    std::lock_guard guard(m_pluginsLock);
    return m_filePlugins;
}

std::shared_ptr<IMivArchivePlugin> MivContext::resolveArchivePluginByExt(const QString& path) const
{
    const QString extension = plat::PathString::pathExtension(path);
    if (extension.isEmpty())
        return nullptr;
    std::lock_guard guard(m_pluginsLock);
    return m_extensionMap.value(extension);
}

std::shared_ptr<IMivArchivePlugin> MivContext::resolveArchivePlugin(const MivFileDataPtr& item) const
{
    if (!item)
        return nullptr;
    const QString extension = item->extenssion();
    if (extension.isEmpty())
        return nullptr;
    std::lock_guard guard(m_pluginsLock);
    return m_extensionMap.value(extension);
}
