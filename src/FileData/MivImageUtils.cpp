#include "FileData/MivImageUtils.h"

#include "FileData/MivFileUtils.h"
#include "FileData/MivIconDescriptor.h"
#include "platform/PathString.h"
#include "platform/NoDestructor.h"

#include <QHash>
#include <QMimeDatabase>
#include <QMimeType>

#include <mutex>

namespace {

// The system's icon names that the program asks for, and the freedesktop
// theme names that stand for them here.
const QHash<QString, QString>& systemIconNames()
{
    static const plat::NoDestructor<QHash<QString, QString>> table(QHash<QString, QString>{
        {QStringLiteral("NotLoaded"), QStringLiteral("image-loading")},
        {QStringLiteral("GenericDocumentIcon"), QStringLiteral("text-x-generic")},
        {QStringLiteral("GenericFolderIcon"), QStringLiteral("folder")},
        {QStringLiteral("AliasBadgeIcon"), QStringLiteral("emblem-symbolic-link")},
        {QStringLiteral("GenericNetworkIcon"), QStringLiteral("network-workgroup")},
        {QStringLiteral("GenericFileServerIcon"), QStringLiteral("network-server")},
    });
    return *table;
}

const QHash<QString, QString>& symbolNames()
{
    static const plat::NoDestructor<QHash<QString, QString>> table(QHash<QString, QString>{
        {QStringLiteral("arrowshape.up.fill"), QStringLiteral("go-up")},
        {QStringLiteral("arrowshape.turn.up.left.fill"), QStringLiteral("go-up")},
    });
    return *table;
}

} // namespace

MivIconDescriptorPtr MivImageUtils::sysIconNamed(const QString& name)
{
    const auto it = systemIconNames().constFind(name);
    if (it == systemIconNames().constEnd())
        return nullptr;
    return MivIconDescriptor::make(it.value());
}

MivIconDescriptorPtr MivImageUtils::symbolNamed(const QString& name)
{
    const auto it = symbolNames().constFind(name);
    if (it == symbolNames().constEnd())
        return nullptr;
    return MivIconDescriptor::make(it.value());
}

MivIconDescriptorPtr MivImageUtils::templateIconNamed(const QString& name, QSizeF size, bool system)
{
    std::shared_ptr<MivIconDescriptor> made;
    if (system) {
        MivIconDescriptorPtr found = sysIconNamed(name);
        if (!found)
            found = symbolNamed(name);
        if (!found)
            return nullptr;
        made = std::make_shared<MivIconDescriptor>(*found);
    } else {
        QString resource = name;
        if (!MivFileUtils::resolveExtension(name).isEmpty())
            resource = plat::PathString::deletingPathExtension(name);
        made = std::make_shared<MivIconDescriptor>();
        made->setResourceName(resource);
    }
    // QSizeF() is (-1, -1): no size was given, as with (0, 0).
    if (size.isValid() && !size.isNull())
        made->setSize(size);
    made->setTemplate(true);
    return made;
}

MivIconDescriptorPtr MivImageUtils::iconForFileType(const QString& extension)
{
    if (extension.isEmpty())
        return nullptr;
    // A listing asks for every row; the MIME database is consulted once per
    // extension and its answer shared.
    static plat::NoDestructor<std::mutex> mutexHolder;
    static plat::NoDestructor<QHash<QString, MivIconDescriptorPtr>> cacheHolder;
    std::mutex& mutex = *mutexHolder;
    QHash<QString, MivIconDescriptorPtr>& cache = *cacheHolder;
    {
        std::lock_guard lock(mutex);
        const auto it = cache.constFind(extension);
        if (it != cache.constEnd())
            return it.value();
    }
    MivIconDescriptorPtr icon;
    const QMimeDatabase database;
    const QMimeType mime = database.mimeTypeForFile(QStringLiteral("x.") + extension, QMimeDatabase::MatchExtension);
    if (mime.isValid() && !mime.isDefault()) {
        auto made = std::make_shared<MivIconDescriptor>(mime.iconName());
        made->setFallbackThemeNames({mime.genericIconName()});
        icon = made;
    }
    std::lock_guard lock(mutex);
    // Another thread may have answered meanwhile: keep the first answer, so
    // every row of one type holds the same descriptor.
    const auto it = cache.constFind(extension);
    if (it != cache.constEnd())
        return it.value();
    cache.insert(extension, icon);
    return icon;
}
