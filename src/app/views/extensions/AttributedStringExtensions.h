#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QUrl>

// Rich texts for labels. Main thread or any: pure text.
namespace AttributedStringExtensions {

// The text as a clickable link to the URL, underlined, in the font and the
// colour, as rich text for a QLabel (text format RichText, open external
// links as the caller decides). The text is escaped.
QString hyperlinkFromString(const QString& text, const QUrl& url, const QFont& font, const QColor& color);

} // namespace AttributedStringExtensions
