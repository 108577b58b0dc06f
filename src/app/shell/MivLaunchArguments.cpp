#include "app/shell/MivLaunchArguments.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// A scheme of two letters or more; "C:" style drive letters are no scheme here,
// and a plain relative path has none.
bool hasUrlScheme(const QString& argument)
{
    const qsizetype colon = argument.indexOf(QLatin1Char(':'));
    if (colon < 2 || argument.startsWith(QLatin1Char('/')))
        return false;
    const QUrl url(argument, QUrl::StrictMode);
    return url.isValid() && !url.scheme().isEmpty() && url.scheme().size() == colon;
}

const QString kPathsKey = QStringLiteral("paths");
const QString kUrlsKey = QStringLiteral("urls");

} // namespace

MivLaunchArguments MivLaunchArguments::parse(const QStringList& arguments, const QString& workingFolder)
{
    MivLaunchArguments result;
    const QDir base(workingFolder);
    bool optionsEnded = false;
    for (const QString& argument : arguments) {
        if (argument.isEmpty())
            continue;
        if (!optionsEnded && argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && argument.startsWith(QLatin1Char('-')))
            continue;
        if (hasUrlScheme(argument)) {
            const QUrl url(argument);
            if (url.isLocalFile())
                result.paths.append(QDir::cleanPath(url.toLocalFile()));
            else
                result.urls.append(url);
            continue;
        }
        result.paths.append(QDir::cleanPath(base.absoluteFilePath(argument)));
    }
    return result;
}

QByteArray MivLaunchArguments::encode() const
{
    QJsonArray urlTexts;
    for (const QUrl& url : urls)
        urlTexts.append(url.toString(QUrl::FullyEncoded));
    QJsonObject message;
    message.insert(kPathsKey, QJsonArray::fromStringList(paths));
    message.insert(kUrlsKey, urlTexts);
    return QJsonDocument(message).toJson(QJsonDocument::Compact);
}

MivLaunchArguments MivLaunchArguments::decode(const QByteArray& message)
{
    MivLaunchArguments result;
    const QJsonDocument document = QJsonDocument::fromJson(message);
    if (!document.isObject())
        return result;
    const QJsonObject object = document.object();
    for (const QJsonValue& value : object.value(kPathsKey).toArray()) {
        // Only absolute paths: the sender resolved them against its own folder.
        const QString path = value.toString();
        if (path.startsWith(QLatin1Char('/')) && !path.contains(QChar(0)))
            result.paths.append(QDir::cleanPath(path));
    }
    for (const QJsonValue& value : object.value(kUrlsKey).toArray()) {
        const QUrl url(value.toString(), QUrl::StrictMode);
        if (url.isValid() && !url.scheme().isEmpty())
            result.urls.append(url);
    }
    return result;
}
