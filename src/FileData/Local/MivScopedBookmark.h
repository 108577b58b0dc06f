#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

// One folder the program was granted access to. Linux has no app sandbox:
// the bookmark data is the folder's file URL (percent-encoded bytes), every
// folder "offers" no security scope and starting access always succeeds,
// so the grant list only remembers what the user chose.
class MivScopedBookmark
{
public:
    MivScopedBookmark(QUrl url, QByteArray bookmark);

    bool isAccessing() const { return m_isAccessing; }
    QUrl url() const { return m_url; }
    QByteArray bookmark() const { return m_bookmark; }
    // The grant's folder path, without a trailing slash.
    QString path() const;

    bool startAccessing();
    void stopAccessing();

    // The file URL of the path with its links resolved; empty for an empty path.
    static QUrl resolveURLFromPath(const QString& path);
    // The URL's path with one trailing "/".
    static QString resolvePathFromURL(const QUrl& url);

    // Does this grant cover the path? Exact: it is the grant's folder. Not
    // exact: it lies inside the folder (the folder itself does not count).
    bool isPrefixForPath(const QString& path, bool exact) const;
    // Does the grant lie inside the path (exact: is it the path)?
    bool matchesPrefix(const QString& path, bool exact) const;

    // Bookmark data of a folder, and the folder it names (empty for data
    // that names none).
    static QByteArray bookmarkDataForURL(const QUrl& url);
    static QUrl urlFromBookmarkData(const QByteArray& bookmark);

private:
    QUrl m_url;
    QByteArray m_bookmark;
    bool m_isAccessing = false;
};
