#include "FileData/Local/MivSandboxing.h"

#include "FileData/IMivFileDataPropertiesProvider.h"
#include "FileData/Local/MivOsxFileDataCache.h"
#include "FileData/MivErrorPresenter.h"
#include "FileData/MivExec.h"
#include "FileData/MivFileData.h"
#include "FileData/MivFileDataHelpers.h"
#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/PathString.h"

#include <QCoreApplication>

#include <mutex>

#include <sys/stat.h>

namespace {

const QString kBookmarkKey = QStringLiteral("Bookmark");

QString tr(const char* text) { return QCoreApplication::translate("MivSandboxing", text); }

struct State
{
    // Re-entrant: operations holding it call others that take it again.
    std::recursive_mutex lock;
    QList<std::shared_ptr<MivScopedBookmark>> grants;
    bool root = false;
    std::mutex promptLock;
    MivSandboxing::FolderPrompt prompt;
};

State& state()
{
    static State s;
    return s;
}

QUrl runPrompt(const MivSandboxing::Prompt& prompt)
{
    MivSandboxing::FolderPrompt run;
    {
        std::lock_guard guard(state().promptLock);
        run = state().prompt;
    }
    return run ? run(prompt) : QUrl();
}

QString urlText(const QUrl& url)
{
    return url.toString(QUrl::FullyEncoded);
}

} // namespace

void MivSandboxing::setFolderPrompt(FolderPrompt prompt)
{
    std::lock_guard guard(state().promptLock);
    state().prompt = std::move(prompt);
}

QUrl MivSandboxing::resolveDefaultURL()
{
    const QString home = plat::PathString::homeDirectory();
    return plat::Path::toFileQUrl(home.isEmpty() ? QStringLiteral("/") : home);
}

QString MivSandboxing::anySandboxedPath()
{
    std::lock_guard guard(state().lock);
    if (!state().grants.isEmpty())
        return state().grants.first()->path();
    return plat::Path::fromFileUrl(resolveDefaultURL());
}

bool MivSandboxing::isRootPath(const QString& path)
{
    return path == QLatin1String("/");
}

bool MivSandboxing::isAnyScopedBookmarkParentForURL(const QUrl& url, bool exactMatch)
{
    if (url.isEmpty())
        return false;
    const QString path = plat::Path::fromFileUrl(url);
    std::lock_guard guard(state().lock);
    for (const auto& grant : state().grants) {
        if (grant->isPrefixForPath(path, exactMatch)) {
            MIV_LOG_DEBUG(QStringLiteral("Scoped %1 is prefix for: %2 exact: %3")
                              .arg(grant->path(), path, exactMatch ? QStringLiteral("YES") : QStringLiteral("NO")));
            return true;
        }
    }
    return false;
}

bool MivSandboxing::isURLDirectlyInSandbox(const QUrl& url)
{
    return isAnyScopedBookmarkParentForURL(url, true);
}

bool MivSandboxing::isURLSandboxed(const QUrl& url)
{
    if (url.isEmpty() || !url.isLocalFile()) {
        MIV_LOG_DEBUG(QStringLiteral("[Sandbox] NOT URL OR NOT FILE URL: %1").arg(urlText(url)));
        return true;
    }
    std::lock_guard guard(state().lock);
    if (state().root) {
        MIV_LOG_DEBUG(QStringLiteral("[Sandbox] ROOT FOLDER ACCESSED"));
        return true;
    }
    return isAnyScopedBookmarkParentForURL(url, false);
}

bool MivSandboxing::addScopedBookmarkForURL(const QUrl& url, const QByteArray& bookmark)
{
    auto grant = std::make_shared<MivScopedBookmark>(url, bookmark);
    if (!grant->startAccessing()) {
        MIV_LOG_ERROR(QStringLiteral("[Sandbox] FAILED TO START accessing resource: %1").arg(grant->path()));
        return false;
    }
    // Runs inside the caller's hold of the lock when there is one.
    std::lock_guard guard(state().lock);
    state().grants.append(grant);
    state().root = isRootPath(grant->path());
    return true;
}

bool MivSandboxing::createScopedBookmarkForURL(const QUrl& url)
{
    const QByteArray bookmark = MivScopedBookmark::bookmarkDataForURL(url);
    if (bookmark.isEmpty()) {
        MIV_LOG_ERROR(QStringLiteral("[Sandbox] Error creating security scoped bookmark for URL '%1' : %2")
                          .arg(urlText(url), tr("not a local folder")));
        return false;
    }
    return addScopedBookmarkForURL(url, bookmark);
}

QList<std::shared_ptr<MivScopedBookmark>> MivSandboxing::scopedBookmarksRelatedToURL(const QUrl& url)
{
    const QString path = plat::Path::fromFileUrl(url);
    std::lock_guard guard(state().lock);
    QList<std::shared_ptr<MivScopedBookmark>> related;
    for (const auto& grant : state().grants) {
        if (grant->matchesPrefix(path, false))
            related.append(grant);
    }
    return related;
}

bool MivSandboxing::setScopedURL(const QUrl& url)
{
    MIV_LOG_INFO(QStringLiteral("[Sandbox] URL selected on file permission dialog: %1").arg(urlText(url)));
    bool added = false;
    {
        std::lock_guard guard(state().lock);
        const auto covered = scopedBookmarksRelatedToURL(url);
        added = createScopedBookmarkForURL(url);
        if (added) {
            // The new, wider grant replaces those inside it.
            for (const auto& grant : covered) {
                grant->stopAccessing();
                state().grants.removeAll(grant);
            }
        }
    }
    // Items are read again with the new rights.
    if (const auto cache = MivOsxFileDataCache::sharedInstance())
        cache->clear();
    return added;
}

void MivSandboxing::clearScopedBookmarks()
{
    std::lock_guard guard(state().lock);
    MIV_LOG_INFO(QStringLiteral("[Sandbox] CLEAR SCOPED BOOKMARKS"));
    for (const auto& grant : state().grants)
        grant->stopAccessing();
    state().grants.clear();
    state().root = false;
}

QList<std::shared_ptr<MivScopedBookmark>> MivSandboxing::scopedBookmarks()
{
    std::lock_guard guard(state().lock);
    return state().grants;
}

MivSandboxing::Prompt MivSandboxing::startFolderSelectionDialogForURL(const QUrl& url)
{
    return {url, tr("MIVO Zedarirov Start Folder Selection"), tr("Choose start folder"),
            tr("Select the folder you want to use as the start folder for browsing content in MIVO Zedarirov.")};
}

MivSandboxing::Prompt MivSandboxing::fileSystemAccessPermissionDialogForURL(const QUrl& url)
{
    return {url, tr("MIVO Zedarirov File System Access"), tr("Allow FileSystem Access"),
            tr("!! NOTICE !! Select the folder you want to allow the MIVO Zedarirov access to the FileSystem outside the "
               "limited App Container and than click 'Allow FileSystem Access'.")};
}

bool MivSandboxing::promptScopedBookmarkForURL(const QUrl& url, QUrl* resultURL)
{
    MIV_LOG_INFO(QStringLiteral("[Sandbox] prompt scoped bookmark for: %1").arg(urlText(url)));
    if (url.isEmpty() || !url.isLocalFile())
        return false;
    const QUrl picked = runPrompt(fileSystemAccessPermissionDialogForURL(url));
    if (picked.isEmpty())
        return false;
    const bool granted = setScopedURL(picked);
    if (resultURL)
        *resultURL = picked;
    return granted;
}

QUrl MivSandboxing::initialScopedURL()
{
    MIV_LOG_INFO(QStringLiteral("[Sandbox] Open dialog to select the start sandbox context ..."));
    const QUrl picked = runPrompt(startFolderSelectionDialogForURL(resolveDefaultURL()));
    if (picked.isEmpty())
        return QUrl();
    setScopedURL(picked);
    MIV_LOG_INFO(QStringLiteral("[Sandbox] Selected initial context URL: %1").arg(urlText(picked)));
    return picked;
}

void MivSandboxing::resetSandboxToDefault()
{
    clearScopedBookmarks();
    promptScopedBookmarkForURL(resolveDefaultURL(), nullptr);
}

bool MivSandboxing::handlePermissionError(const plat::Error& error, const MivFileDataPtr& file, GrantHandler handler)
{
    const auto underlying = error.underlyingError();
    const bool sandboxError = error.domain() == QLatin1String("NSCocoaErrorDomain") && error.code() == 257 && underlying
                              && underlying->domain() == QLatin1String("NSPOSIXErrorDomain") && underlying->code() == 1;
    if (!sandboxError)
        return true;
    return processPermissionError(error, file, std::move(handler));
}

bool MivSandboxing::processPermissionError(const plat::Error& error, const MivFileDataPtr& file, GrantHandler handler)
{
    const QUrl url = file ? plat::Path::toFileQUrl(file->realPath()) : QUrl();
    MIV_LOG_INFO(QStringLiteral("[Sandbox] NO PERMISSION FOR URL: %1").arg(urlText(url)));
    if (isURLSandboxed(url))
        return true;
    MivExec::runAsyncOnMainThread([error, url, handler = std::move(handler)] {
        if (!grantPermissionForError(error, url, handler))
            MivErrorPresenter::presentError(error);
    });
    return false;
}

bool MivSandboxing::grantPermissionForError(const plat::Error&, const QUrl& url, const GrantHandler& handler)
{
    MIV_LOG_INFO(QStringLiteral("[Sandbox] SHOWING SANDBOX DIALOG for URL: %1").arg(urlText(url)));
    QUrl granted;
    if (!promptScopedBookmarkForURL(url, &granted))
        return false;
    if (handler)
        handler(granted);
    return true;
}

QVariantMap MivSandboxing::serializeScopedBookmarks()
{
    std::lock_guard guard(state().lock);
    QVariantMap saved;
    for (const auto& grant : state().grants) {
        if (grant->url().isEmpty() || grant->bookmark().isEmpty())
            continue;
        saved.insert(grant->path(), grant->bookmark());
    }
    return saved;
}

void MivSandboxing::serialize()
{
    MIV_LOG_INFO(QStringLiteral("[Sandbox] SERIALIZE SANDBOXING ..."));
    const auto provider = MivFileDataHelpers::fileDataPropertiesProvider();
    std::lock_guard guard(state().lock);
    if (!provider) {
        MIV_LOG_ERROR(QStringLiteral("[Sandbox] Warning: Cannot persist bookmarks – properties dictionary is nil."));
        return;
    }
    provider->setDictObject(serializeScopedBookmarks(), kBookmarkKey);
}

void MivSandboxing::deserializeScopedBookmarks(const QVariantMap& saved)
{
    std::lock_guard guard(state().lock);
    clearScopedBookmarks();
    for (auto it = saved.cbegin(); it != saved.cend(); ++it)
        restoreScopedBookmarkForPath(it.key(), saved);
}

bool MivSandboxing::restoreScopedBookmarkForPath(const QString& path, const QVariantMap& saved)
{
    const QByteArray bookmark = saved.value(path).toByteArray();
    if (bookmark.isEmpty())
        return false;
    MIV_LOG_INFO(QStringLiteral("[Sandbox] Restoring bookmark for path %1").arg(path));
    const QUrl url = MivScopedBookmark::urlFromBookmarkData(bookmark);
    if (url.isEmpty()) {
        MIV_LOG_ERROR(QStringLiteral("[Sandbox] Failed to resolve bookmark for %1: %2").arg(path, tr("the data names no folder")));
        return false;
    }
    // A folder that is gone is what a stale bookmark is here.
    struct stat info {};
    const bool stale = plat::Path::stat(plat::Path::fromFileUrl(url), &info) != 0 || !S_ISDIR(info.st_mode);
    if (stale || !addScopedBookmarkForURL(url, bookmark)) {
        MIV_LOG_INFO(QStringLiteral("[Sandbox] Bookmark is stale: %1").arg(path));
        return false;
    }
    return true;
}

void MivSandboxing::logScopedBookmarks()
{
    std::lock_guard guard(state().lock);
    for (const auto& grant : state().grants)
        MIV_LOG_INFO(QStringLiteral("[Sandbox] %1 — active: %2").arg(grant->path()).arg(grant->isAccessing() ? 1 : 0));
}
