#pragma once

#include "FileData/MivFileDataTypes.h"

#include <QClipboard>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

class QMimeData;

// Items to and from the clipboard and drag data. Formats:
// - the program's private item type (MIME format "MivFileDataPboardType"):
//   the items' path keys, one a line, each the percent-encoding of its
//   bytes, so names that are not UTF-8 survive;
// - "text/uri-list": the items' URLs (file URLs of local paths made by
//   plat::Path), which other programs read as file names and URLs;
// - "text/plain": their paths, one a line.
// Readers take the first of these that gives items. Main thread.
class MivPasteboard
{
public:
    MivPasteboard() = delete;

    // The private type's format name.
    static QString itemsFormat();

    // The drag or clipboard data of the items.
    static QMimeData* mimeDataForItems(const QList<MivFileDataPtr>& items);
    static void writeItems(const QList<MivFileDataPtr>& items, QClipboard::Mode mode = QClipboard::Clipboard);

    // The path strings of the private type, and the URLs of a URI list
    // (local paths of file URLs decoded losslessly).
    static QStringList itemPathsOf(const QMimeData* data);
    static QList<QUrl> urlsOf(const QMimeData* data);
    static QStringList filePathsOf(const QMimeData* data);

    // Items from the data: the private type, then the file names of the URI
    // list, then every URL of it as a fresh item (a root item replaced by its
    // root file); empty when none gives an item.
    static QList<MivFileDataPtr> resolveFileDataFromPasteboard(const QMimeData* data);
    static QList<MivFileDataPtr> resolveFileDataFromPaths(const QStringList& paths);

    // The items' names, or their path keys, one a line (no line break after
    // the last), as the clipboard's text; an empty text leaves it untouched.
    static void copyDataNamesToClipboard(const QList<MivFileDataPtr>& items);
    static void copyDataPathsToClipboard(const QList<MivFileDataPtr>& items);
};
