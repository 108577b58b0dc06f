#include "app/operations/MivOperationText.h"

#include "FileData/Extensions/UrlParameters.h"
#include "FileData/MivFileUtils.h"

#include <QCoreApplication>
#include <QUrl>

namespace MivOperationText {

QString localized(const char* text) { return QCoreApplication::translate("MivFileOperationData", text); }

QString format(const QString& format, const QStringList& args)
{
    static const char* const placeholders[] = {"%@", "%lld", "%ld", "%d"};
    QString out;
    out.reserve(format.size() + 32);
    qsizetype next = 0;
    for (qsizetype i = 0; i < format.size();) {
        bool matched = false;
        for (const char* placeholder : placeholders) {
            const QLatin1String token(placeholder);
            if (QStringView(format).mid(i).startsWith(token)) {
                out += args.value(next++);
                i += token.size();
                matched = true;
                break;
            }
        }
        if (!matched)
            out += format.at(i++);
    }
    return out;
}

QString boolText(bool value) { return value ? QStringLiteral("YES") : QStringLiteral("NO"); }

QString loggablePath(const QString& path)
{
    if (path.isNull())
        return QStringLiteral("(null)");
    if (path.startsWith(QLatin1Char('/')))
        return path;
    const QUrl url(path, QUrl::StrictMode);
    if (!url.isValid())
        return MivFileUtils::stripUserDataInPath(path);
    if (url.password(QUrl::FullyEncoded).isEmpty())
        return path;
    return UrlParameters::URLByDeletingPassword(url).toString(QUrl::FullyEncoded);
}

} // namespace MivOperationText
