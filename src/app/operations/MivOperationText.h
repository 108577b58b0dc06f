#pragma once

#include <QString>
#include <QStringList>

// The operation engine's texts: formats written with the placeholders
// "%@", "%d", "%ld" and "%lld" (the keys of the localisation table) filled
// in order, independent of the user's locale; and paths made fit for a log.
namespace MivOperationText {

// The text through the localisation table.
QString localized(const char* text);
// Fills each placeholder with the next argument; missing ones stay empty.
QString format(const QString& format, const QStringList& args);
// "YES" or "NO".
QString boolText(bool value);
// A path or URL text without the password it may carry.
QString loggablePath(const QString& path);

} // namespace MivOperationText
