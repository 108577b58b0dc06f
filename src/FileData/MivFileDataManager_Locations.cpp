#include "FileData/MivFileDataManager.h"

#include "FileData/Extensions/UrlParameters.h"
#include "FileData/IMivRootFile.h"
#include "FileData/IMivUrlFile.h"
#include "FileData/Local/MivOsxFileData.h"
#include "FileData/MivFileData.h"
#include "FileData/MivFileDataDescriptor.h"
#include "FileData/MivFileUtils.h"
#include "FileData/MivItemHooks.h"
#include "FileData/MivRemoteFileData.h"
#include "platform/Log.h"

namespace {

QString text(const char* literal) { return QString::fromLatin1(literal); }

// A saved key as it may go into a log line: keys saved with the password
// carry it in their URL.
QString loggableKey(const QString& key)
{
    if (key.isNull())
        return QStringLiteral("(null)");
    const QUrl url(key, QUrl::StrictMode);
    if (!url.isValid())
        return MivFileUtils::stripUserDataInPath(key);
    if (url.password(QUrl::FullyEncoded).isEmpty())
        return key;
    return UrlParameters::URLByDeletingPassword(url).toString(QUrl::FullyEncoded);
}

QString describe(const MivFileDataPtr& item) { return item ? item->description() : QStringLiteral("(null)"); }

// A component of a saved path names one child only when it is a plain name:
// "." and ".." would walk out of the place the path is rebased onto, and a
// "/" or NUL (from "%2F" or "%00") is no name at all.
bool isPlainName(const QString& name)
{
    return name != QLatin1String(".") && name != QLatin1String("..") && !name.contains(QLatin1Char('/'))
        && !name.contains(QChar(0));
}

} // namespace

MivFileDataPtr MivFileDataManager::moveData(const MivFileDataPtr& root, const QString& pathKey)
{
    MIV_LOG_DEBUG(QStringLiteral("Move data: %1 to %2").arg(describe(root), loggableKey(pathKey)));
    QString refKey = root ? root->savingKey() : QString();
    if (auto* rootFile = dynamic_cast<IMivRootFile*>(root.get())) {
        const MivFileDataPtr file = rootFile->rootFile();
        refKey = file ? file->savingKey() : QString();
    }
    return moveData(root, pathKey, refKey, true);
}

MivFileDataPtr MivFileDataManager::moveData(const MivFileDataPtr& root, const QString& pathKey, const QString& refKey)
{
    return moveData(root, pathKey, refKey, false);
}

MivFileDataPtr MivFileDataManager::moveData(const MivFileDataPtr& root, const QString& pathKey, const QString& refKey,
                                            bool notRelativeNull)
{
    MIV_LOG_DEBUG(QStringLiteral("Move data: %1 to %2 using ref: %3 notRelativeNull: %4")
                      .arg(describe(root), loggableKey(pathKey), loggableKey(refKey), QString::number(notRelativeNull)));
    if (!root) {
        MIV_LOG_WARN(QStringLiteral("moveData: data is nil"));
        return nullptr;
    }
    if (refKey.isNull())
        return root;
    const QString relative = resolvedRelativePathFrom(pathKey, refKey);
    MIV_LOG_INFO(QStringLiteral("Resolved relative path: %1").arg(relative));
    if (!relative.isEmpty())
        return buildPathComponents(relative.split(QLatin1Char('/')), root);
    if (notRelativeNull) {
        MIV_LOG_WARN(QStringLiteral("Relative path is nil and notRelativeNull == YES, returning nil"));
        return nullptr;
    }
    return root;
}

QString MivFileDataManager::resolvedRelativePathFrom(const QString& path, const QString& usingBase)
{
    if (path.isNull() || usingBase.isNull())
        return QString();
    return MivFileUtils::resolveRelativePathTo(MivFileUtils::stripUserDataInPath(path),
                                               MivFileUtils::stripUserDataInPath(usingBase));
}

MivFileDataPtr MivFileDataManager::buildPathComponents(const QStringList& components, const MivFileDataPtr& onBase)
{
    MivFileDataPtr current = onBase;
    for (const QString& component : components) {
        if (component.isEmpty())
            continue;
        const QString name = UrlParameters::safeUnescape(component);
        MivFileDataPtr child = current && isPlainName(name) ? current->createChild(name, true) : nullptr;
        if (!child) {
            MIV_LOG_WARN(QStringLiteral("Failed to create child for component: %1").arg(component));
            return current;
        }
        current = std::move(child);
    }
    return current;
}

bool MivFileDataManager::checkMoveToTrash(const MivFileDataPtr& item)
{
    if (!item || !item->isLocalURLFile())
        return false;
    if (const auto* local = dynamic_cast<const MivOsxFileData*>(item.get()); local && local->remote())
        return false;
    const auto* urlItem = dynamic_cast<const IMivUrlFile*>(item.get());
    const QUrl url = urlItem ? urlItem->fileURL() : QUrl();
    if (url.isEmpty())
        return false;
    return MivItemHooks::isLocalVolumeForURL(url).value_or(false) && url.isLocalFile();
}

QVariantMap MivFileDataManager::remoteDataDescriptorFor(const MivFileDataPtr& item, bool withPassword, const QString& tabContext)
{
    QVariantMap descriptor;
    updateRemoteDataDescriptor(descriptor, item, withPassword, tabContext);
    return descriptor;
}

void MivFileDataManager::updateRemoteDataDescriptor(QVariantMap& descriptor, const MivFileDataPtr& item, bool withPassword,
                                                    const QString& tabContext)
{
    const auto keyOf = [withPassword](const MivFileDataPtr& data) {
        return withPassword ? data->fullSavingKey() : data->savingKey();
    };
    if (item)
        descriptor.insert(text(kMivLocationPathKey), keyOf(item));
    if (tabContext.isNull())
        return;
    descriptor.insert(text(kMivLocationContextKey), tabContext);
    if (tabContext != text(ksMivNetworkDataName) || !item)
        return;
    const MivFileDataPtr savingRoot = savingRootForData(item);
    const QString rootKey = savingRoot ? keyOf(savingRoot) : QString();
    if (rootKey.isEmpty() || rootKey == text(ksMivNetworkDataName))
        return;
    descriptor.insert(text(kMivLocationRootKey), rootKey);
    if (const auto remote = std::dynamic_pointer_cast<MivRemoteFileData>(savingRoot)) {
        if (const auto connection = remote->descriptor())
            descriptor.insert(text(kMivLocationRemoteDescKey), connection->toMap());
    }
}

MivFileDataPtr MivFileDataManager::rootDataForEntry(const QVariantMap& entry)
{
    return MivFileDataDescriptor::resolveRootDataForPathKey(entry.value(text(kMivLocationPathKey)).toString(),
                                                            entry.value(text(kMivLocationRootKey)).toString());
}

std::shared_ptr<MivFileDataDescriptor> MivFileDataManager::fileDataDescriptorForEntry(const QVariantMap& entry)
{
    const QString path = entry.value(text(kMivLocationPathKey)).toString();
    const QString root = entry.value(text(kMivLocationRootKey)).toString();
    std::optional<QVariantMap> remote;
    if (entry.contains(text(kMivLocationRemoteDescKey)))
        remote = entry.value(text(kMivLocationRemoteDescKey)).toMap();
    // A connection descriptor may hold secrets of its back-end: only its keys are logged.
    MIV_LOG_DEBUG(QStringLiteral("Descriptor for path: %1, root path: %2, remote descriptor: %3")
                      .arg(loggableKey(path), loggableKey(root),
                           remote ? remote->keys().join(QLatin1Char(',')) : QStringLiteral("(null)")));
    return std::make_shared<MivFileDataDescriptor>(path, root, remote);
}
