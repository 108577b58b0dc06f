#pragma once

#include "FileData/Local/MivScopedBookmark.h"
#include "FileData/MivFileDataTypes.h"
#include "platform/Error.h"

#include <QList>
#include <QUrl>
#include <QVariantMap>

#include <functional>
#include <memory>

// The folders the user granted access to, kept as the platform's sandbox
// asks. This process is not sandboxed on Linux: the grants are remembered,
// saved under "Bookmark" in the settings' store and cleared as asked, and
// every access test answers as if the granted folders were all there is.
// Choosing a folder is the open panel the application installs
// (setFolderPrompt); without one every prompt is cancelled.
class MivSandboxing
{
public:
    MivSandboxing() = delete;

    // The folder the user picked in a panel that starts at `start`, or an
    // empty URL when cancelled.
    struct Prompt
    {
        QUrl start;
        QString title;
        QString prompt;
        QString message;
    };
    using FolderPrompt = std::function<QUrl(const Prompt&)>;
    static void setFolderPrompt(FolderPrompt prompt);

    static QUrl resolveDefaultURL();
    static QString anySandboxedPath();
    static bool isRootPath(const QString& path);
    static bool isAnyScopedBookmarkParentForURL(const QUrl& url, bool exactMatch);
    static bool isURLDirectlyInSandbox(const QUrl& url);
    static bool isURLSandboxed(const QUrl& url);

    static bool addScopedBookmarkForURL(const QUrl& url, const QByteArray& bookmark);
    static bool createScopedBookmarkForURL(const QUrl& url);
    static QList<std::shared_ptr<MivScopedBookmark>> scopedBookmarksRelatedToURL(const QUrl& url);
    static bool setScopedURL(const QUrl& url);
    static void clearScopedBookmarks();
    static QList<std::shared_ptr<MivScopedBookmark>> scopedBookmarks();

    static Prompt startFolderSelectionDialogForURL(const QUrl& url);
    static Prompt fileSystemAccessPermissionDialogForURL(const QUrl& url);
    static bool promptScopedBookmarkForURL(const QUrl& url, QUrl* resultURL);
    static QUrl initialScopedURL();
    static void resetSandboxToDefault();

    using GrantHandler = std::function<void(const QUrl&)>;
    // True when no prompt is under way (nothing to ask, or the item is
    // inside a grant); false when the user is being asked on the main thread
    // and the handler runs if access is granted.
    static bool handlePermissionError(const plat::Error& error, const MivFileDataPtr& file, GrantHandler handler);
    static bool processPermissionError(const plat::Error& error, const MivFileDataPtr& file, GrantHandler handler);
    static bool grantPermissionForError(const plat::Error& error, const QUrl& url, const GrantHandler& handler);

    // Granted folder path -> bookmark data.
    static QVariantMap serializeScopedBookmarks();
    static void serialize();
    static void deserializeScopedBookmarks(const QVariantMap& saved);
    static bool restoreScopedBookmarkForPath(const QString& path, const QVariantMap& saved);
    static void logScopedBookmarks();
};
