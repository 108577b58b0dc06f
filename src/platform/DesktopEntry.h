#pragma once

#include "platform/Error.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace plat {

class Process;

// The [Desktop Entry] group of a freedesktop.org desktop entry file, and the
// launching of the application it describes. Stands in for opening an
// application bundle with arguments.
class DesktopEntry
{
public:
    // True for paths that name a desktop entry: the file name ends in ".desktop".
    static bool isDesktopEntryPath(const QString& path);

    // Reads and parses the file. A missing or unreadable file gives the
    // reading error (Cocoa domain, underlying POSIX error); a file without a
    // [Desktop Entry] group is not in the correct format (Cocoa 259).
    static std::optional<DesktopEntry> load(const QString& filePath, Error* error);
    // Parses text that was read elsewhere; filePath is what %k expands to.
    static DesktopEntry parse(const QByteArray& data, const QString& filePath = {});

    bool hasDesktopEntryGroup() const { return m_hasGroup; }
    const QString& filePath() const { return m_filePath; }

    // The value of a key with the string escapes (\s \n \t \r \\) resolved;
    // a null string when the key is absent. Keys are case-sensitive.
    QString value(const QString& key) const;
    // The value for the current locale (LC_ALL, LC_MESSAGES, LANG), falling
    // back as the format prescribes down to the plain key.
    QString localizedValue(const QString& key) const;
    bool booleanValue(const QString& key) const;

    QString type() const { return value(QStringLiteral("Type")); }
    QString name() const { return localizedValue(QStringLiteral("Name")); }
    QString icon() const { return localizedValue(QStringLiteral("Icon")); }
    QString exec() const { return value(QStringLiteral("Exec")); }
    QString tryExec() const { return value(QStringLiteral("TryExec")); }
    QString workingDirectory() const { return value(QStringLiteral("Path")); }
    bool terminal() const { return booleanValue(QStringLiteral("Terminal")); }

    // Splits an Exec value (string escapes already resolved) into arguments
    // by the format's quoting rules; field codes are left in place. An
    // unterminated quote or an empty command is an error.
    static bool splitExec(const QString& exec, QStringList* arguments, Error* error);

    // The command lines that launching with the given files or URLs runs,
    // each program first, field codes expanded: %f %u one parameter, %F %U
    // all of them, %i "--icon" and the icon, %c the name, %k the entry's
    // path, %% a percent sign; deprecated and unknown codes are dropped. An
    // Exec with %f or %u but neither %F nor %U runs once per parameter.
    // Neither the program nor TryExec is looked up here.
    bool commandLines(const QStringList& files, QList<QStringList>* result, Error* error) const;

    // Checks Type and TryExec, finds the program along PATH, wraps it in a
    // terminal when Terminal is true, and answers one process per command
    // line, not yet started (standard input from /dev/null, output
    // inherited, the entry's Path as working folder). A program or TryExec
    // that is not there gives POSIX ENOENT; a malformed entry Cocoa 259.
    std::vector<std::shared_ptr<Process>> prepareProcesses(const QStringList& files, Error* error) const;

    // prepareProcesses, then starts them in turn; answers those that started
    // (a failure stops the rest and sets the error).
    std::vector<std::shared_ptr<Process>> launch(const QStringList& files, Error* error) const;

    // The executable a program name stands for: a name with a "/" as it is,
    // any other along PATH; a null string when none is executable.
    static QString findExecutable(const QString& program);

private:
    QString m_filePath;
    bool m_hasGroup = false;
    QMap<QString, QString> m_values; // raw values, escapes unresolved
};

} // namespace plat
