#include "app/views/MivPasteboard.h"

#include "FileData/IMivRootFile.h"
#include "FileData/IMivUrlFile.h"
#include "FileData/MivFileData.h"
#include "FileData/MivFileDataManager.h"
#include "platform/Path.h"

#include <QGuiApplication>
#include <QMimeData>

namespace {

const QString kUriList = QStringLiteral("text/uri-list");

// One codec for path strings outside the process: the bytes of the path's
// native form, percent-encoded.
QByteArray encodePath(const QString& path)
{
    return plat::Path::percentEncode(plat::Path::toNative(path));
}

QString decodePath(const QByteArray& encoded)
{
    return plat::Path::fromNative(plat::Path::percentDecode(encoded));
}

MivFileDataPtr unwrapRoot(MivFileDataPtr item)
{
    if (auto* root = dynamic_cast<IMivRootFile*>(item.get()))
        if (MivFileDataPtr file = root->rootFile())
            return file;
    return item;
}

QByteArray urlOf(const MivFileDataPtr& item)
{
    if (auto* urlFile = dynamic_cast<IMivUrlFile*>(item.get())) {
        const QUrl url = urlFile->fileURL();
        if (url.isValid())
            return url.toEncoded();
    }
    const QString key = item->pathKey();
    if (key.startsWith(QLatin1Char('/')))
        return plat::Path::toFileUrl(key).toLatin1();
    return QUrl(key).toEncoded();
}

void setClipboardText(const QString& text)
{
    if (text.isEmpty())
        return;
    QGuiApplication::clipboard()->setText(text, QClipboard::Clipboard);
}

} // namespace

QString MivPasteboard::itemsFormat()
{
    return QString::fromLatin1(MivFileDataPboardType);
}

QMimeData* MivPasteboard::mimeDataForItems(const QList<MivFileDataPtr>& items)
{
    auto* data = new QMimeData;
    QByteArray keys;
    QByteArray uris;
    QStringList paths;
    for (const MivFileDataPtr& item : items) {
        if (!item)
            continue;
        const QString key = item->pathKey();
        keys += encodePath(key) + '\n';
        uris += urlOf(item) + "\r\n";
        paths << key;
    }
    data->setData(itemsFormat(), keys);
    // Set as bytes: QMimeData::setUrls would re-encode local paths through
    // QUrl, which turns bytes that are not UTF-8 into U+FFFD.
    data->setData(kUriList, uris);
    data->setText(paths.join(QLatin1Char('\n')));
    return data;
}

void MivPasteboard::writeItems(const QList<MivFileDataPtr>& items, QClipboard::Mode mode)
{
    QGuiApplication::clipboard()->setMimeData(mimeDataForItems(items), mode);
}

QStringList MivPasteboard::itemPathsOf(const QMimeData* data)
{
    QStringList paths;
    if (!data || !data->hasFormat(itemsFormat()))
        return paths;
    for (const QByteArray& line : data->data(itemsFormat()).split('\n'))
        if (!line.isEmpty())
            paths << decodePath(line);
    return paths;
}

QList<QUrl> MivPasteboard::urlsOf(const QMimeData* data)
{
    QList<QUrl> urls;
    if (!data || !data->hasFormat(kUriList))
        return urls;
    for (QByteArray line : data->data(kUriList).split('\n')) {
        line = line.trimmed();
        // Comments are allowed in URI lists.
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QUrl url = QUrl::fromEncoded(line, QUrl::StrictMode);
        if (url.isValid() && !url.scheme().isEmpty())
            urls << url;
    }
    return urls;
}

QStringList MivPasteboard::filePathsOf(const QMimeData* data)
{
    QStringList paths;
    if (!data || !data->hasFormat(kUriList))
        return paths;
    for (QByteArray line : data->data(kUriList).split('\n')) {
        line = line.trimmed();
        if (!line.startsWith("file:"))
            continue;
        // Decoded from the encoded bytes, never through QUrl's decoded path.
        const QString path = plat::Path::fromFileUrl(QString::fromLatin1(line));
        if (!path.isEmpty())
            paths << path;
    }
    return paths;
}

QList<MivFileDataPtr> MivPasteboard::resolveFileDataFromPaths(const QStringList& paths)
{
    QList<MivFileDataPtr> items;
    for (const QString& path : paths)
        if (MivFileDataPtr item = MivFileDataManager::makeFreshInstanceForString(path, true))
            items << unwrapRoot(item);
    return items;
}

QList<MivFileDataPtr> MivPasteboard::resolveFileDataFromPasteboard(const QMimeData* data)
{
    if (!data)
        return {};
    if (data->hasFormat(itemsFormat())) {
        const QList<MivFileDataPtr> items = resolveFileDataFromPaths(itemPathsOf(data));
        if (!items.isEmpty())
            return items;
    }
    if (data->hasFormat(kUriList)) {
        QList<MivFileDataPtr> items = resolveFileDataFromPaths(filePathsOf(data));
        if (!items.isEmpty())
            return items;
        for (const QUrl& url : urlsOf(data))
            if (MivFileDataPtr item = MivFileDataManager::makeFreshInstanceForURL(url, true))
                items << unwrapRoot(item);
        return items;
    }
    return {};
}

void MivPasteboard::copyDataNamesToClipboard(const QList<MivFileDataPtr>& items)
{
    QStringList names;
    for (const MivFileDataPtr& item : items)
        if (item)
            names << item->name();
    setClipboardText(names.join(QLatin1Char('\n')));
}

void MivPasteboard::copyDataPathsToClipboard(const QList<MivFileDataPtr>& items)
{
    QStringList paths;
    for (const MivFileDataPtr& item : items)
        if (item)
            paths << item->pathKey();
    setClipboardText(paths.join(QLatin1Char('\n')));
}
