#include "app/views/extensions/AttributedStringExtensions.h"

namespace AttributedStringExtensions {

QString hyperlinkFromString(const QString& text, const QUrl& url, const QFont& font, const QColor& color)
{
    const QString href = QString::fromLatin1(url.toEncoded()).toHtmlEscaped();
    const QString style = QStringLiteral("color:%1; text-decoration:underline; font-family:'%2'; font-size:%3pt;")
                              .arg(color.name(), font.family().toHtmlEscaped().replace(QLatin1Char('\''), QStringLiteral("&#39;")))
                              .arg(font.pointSizeF());
    return QStringLiteral("<a href=\"%1\" style=\"%2\">%3</a>").arg(href, style, text.toHtmlEscaped());
}

} // namespace AttributedStringExtensions
