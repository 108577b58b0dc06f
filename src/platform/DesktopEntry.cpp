#include "platform/DesktopEntry.h"

#include "platform/PosixError.h"
#include "platform/Path.h"

#include "platform/Process.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

namespace plat {

namespace {

// Desktop entries are a few kilobytes; anything far larger is not one.
constexpr qint64 kMaximumEntrySize = 1 << 20;

QString tr(const char* text)
{
    return QCoreApplication::translate("DesktopEntry", text);
}

Error readingError(int code, const QString& path)
{
    // The codes callers test on reading: no such file 260, no permission 257.
    const qint64 cocoa = code == ENOENT || code == ENOTDIR ? 260 : (code == EACCES || code == EPERM ? 257 : 256);
    QVariantMap info;
    info.insert(QLatin1String(kLocalizedDescriptionKey),
                tr("The file \u201C%1\u201D couldn\u2019t be opened.").arg(path));
    info.insert(QLatin1String(kFilePathErrorKey), path);
    info.insert(QLatin1String(kUnderlyingErrorKey), QVariant::fromValue(posixError(code)));
    return Error(QString::fromLatin1(kCocoaErrorDomain), cocoa, info);
}

Error formatError(const QString& path, const QString& why)
{
    QVariantMap info;
    info.insert(QLatin1String(kLocalizedDescriptionKey), why);
    if (!path.isEmpty())
        info.insert(QLatin1String(kFilePathErrorKey), path);
    return Error(QString::fromLatin1(kCocoaErrorDomain), 259, info);
}

Error programMissingError(const QString& program)
{
    QVariantMap info;
    info.insert(QLatin1String(kLocalizedDescriptionKey),
                tr("The program \u201C%1\u201D could not be found.").arg(program));
    info.insert(QLatin1String(kFilePathErrorKey), program);
    return Error(QString::fromLatin1(kPosixErrorDomain), ENOENT, info);
}

QString unescapeString(const QString& raw)
{
    QString out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw.at(i);
        if (c != u'\\' || i + 1 == raw.size()) {
            out.append(c);
            continue;
        }
        const QChar next = raw.at(i + 1);
        switch (next.unicode()) {
        case u's': out.append(u' '); break;
        case u'n': out.append(u'\n'); break;
        case u't': out.append(u'\t'); break;
        case u'r': out.append(u'\r'); break;
        case u'\\': out.append(u'\\'); break;
        default:
            // Kept whole: the Exec quoting rules give \" \` \$ their meaning later.
            out.append(c);
            out.append(next);
            break;
        }
        ++i;
    }
    return out;
}

// Locale names to try, most specific first: lang_COUNTRY@MODIFIER,
// lang_COUNTRY, lang@MODIFIER, lang.
QStringList localeCandidates()
{
    QString locale;
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* text = std::getenv(variable);
        if (text && *text) {
            locale = QString::fromLocal8Bit(text);
            break;
        }
    }
    if (locale.isEmpty() || locale == u"C" || locale == u"POSIX" || locale.startsWith(u"C."))
        return {};
    QString modifier;
    if (const qsizetype at = locale.indexOf(u'@'); at >= 0) {
        modifier = locale.mid(at + 1);
        locale.truncate(at);
    }
    if (const qsizetype dot = locale.indexOf(u'.'); dot >= 0)
        locale.truncate(dot);
    QString language = locale;
    QString country;
    if (const qsizetype underscore = locale.indexOf(u'_'); underscore >= 0) {
        language = locale.left(underscore);
        country = locale.mid(underscore + 1);
    }
    QStringList candidates;
    if (!country.isEmpty() && !modifier.isEmpty())
        candidates << language + u'_' + country + u'@' + modifier;
    if (!country.isEmpty())
        candidates << language + u'_' + country;
    if (!modifier.isEmpty())
        candidates << language + u'@' + modifier;
    candidates << language;
    return candidates;
}

} // namespace

bool DesktopEntry::isDesktopEntryPath(const QString& path)
{
    return path.endsWith(QLatin1String(".desktop")) && path.size() > int(sizeof(".desktop") - 1) &&
           !path.endsWith(QLatin1String("/.desktop"));
}

std::optional<DesktopEntry> DesktopEntry::load(const QString& filePath, Error* error)
{
    const QByteArray native = Path::toNative(filePath);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        Error::assign(error, readingError(errno, filePath));
        return std::nullopt;
    }
    QByteArray data;
    char buffer[16384];
    int failure = 0;
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            data.append(buffer, got);
            if (data.size() > kMaximumEntrySize)
                break;
        } else if (got == 0 || errno != EINTR) {
            failure = got < 0 ? errno : 0;
            break;
        }
    }
    ::close(fd);
    if (failure) {
        Error::assign(error, readingError(failure, filePath));
        return std::nullopt;
    }
    if (data.size() > kMaximumEntrySize) {
        Error::assign(error, formatError(filePath, tr("The file \u201C%1\u201D is too large for a desktop entry.").arg(filePath)));
        return std::nullopt;
    }
    DesktopEntry entry = parse(data, filePath);
    if (!entry.m_hasGroup) {
        Error::assign(error, formatError(filePath, tr("The file \u201C%1\u201D is not a desktop entry.").arg(filePath)));
        return std::nullopt;
    }
    return entry;
}

DesktopEntry DesktopEntry::parse(const QByteArray& data, const QString& filePath)
{
    DesktopEntry entry;
    entry.m_filePath = filePath;
    bool inGroup = false;
    const QString text = QString::fromUtf8(data);
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QStringView trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#'))
            continue;
        if (trimmed.startsWith(u'[') && trimmed.endsWith(u']')) {
            inGroup = trimmed.sliced(1, trimmed.size() - 2) == u"Desktop Entry";
            entry.m_hasGroup = entry.m_hasGroup || inGroup;
            continue;
        }
        if (!inGroup)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed().toString();
        if (key.isEmpty() || entry.m_values.contains(key))
            continue; // a repeated key is invalid; the first one stands
        entry.m_values.insert(key, line.sliced(equals + 1).trimmed().toString());
    }
    return entry;
}

QString DesktopEntry::value(const QString& key) const
{
    const auto it = m_values.constFind(key);
    if (it == m_values.constEnd())
        return QString();
    QString result = unescapeString(*it);
    if (result.isNull())
        result = QLatin1String("");
    return result;
}

QString DesktopEntry::localizedValue(const QString& key) const
{
    for (const QString& locale : localeCandidates()) {
        const QString localizedKey = key + u'[' + locale + u']';
        if (m_values.contains(localizedKey))
            return value(localizedKey);
    }
    return value(key);
}

bool DesktopEntry::booleanValue(const QString& key) const
{
    return value(key) == u"true";
}

bool DesktopEntry::splitExec(const QString& exec, QStringList* arguments, Error* error)
{
    QStringList result;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (quoted) {
            if (c == u'"') {
                quoted = false;
            } else if (c == u'\\' && i + 1 < exec.size() &&
                       QStringView(u"\"`$\\").contains(exec.at(i + 1))) {
                current.append(exec.at(++i));
            } else {
                current.append(c);
            }
            continue;
        }
        if (c == u' ' || c == u'\t' || c == u'\n') {
            if (inArgument)
                result.append(current);
            current.clear();
            inArgument = false;
            continue;
        }
        inArgument = true;
        if (c == u'"') {
            quoted = true;
        } else if (c == u'\\' && i + 1 < exec.size()) {
            // Reserved characters must be quoted; a backslash outside quotes
            // is read as a shell would read it.
            current.append(exec.at(++i));
        } else {
            current.append(c);
        }
    }
    if (quoted) {
        Error::assign(error, formatError({}, tr("The command \u201C%1\u201D has an unterminated quote.").arg(exec)));
        return false;
    }
    if (inArgument)
        result.append(current);
    if (result.isEmpty() || result.first().isEmpty()) {
        Error::assign(error, formatError({}, tr("The desktop entry names no program to run.")));
        return false;
    }
    *arguments = result;
    return true;
}

bool DesktopEntry::commandLines(const QStringList& files, QList<QStringList>* result, Error* error) const
{
    QStringList tokens;
    if (!splitExec(exec(), &tokens, error)) {
        if (error && !error->userInfo().contains(QLatin1String(kFilePathErrorKey)) && !m_filePath.isEmpty()) {
            QVariantMap info = error->userInfo();
            info.insert(QLatin1String(kFilePathErrorKey), m_filePath);
            *error = Error(error->domain(), error->code(), info);
        }
        return false;
    }

    bool single = false;
    bool list = false;
    for (const QString& token : tokens) {
        for (qsizetype i = 0; i + 1 < token.size(); ++i) {
            if (token.at(i) != u'%')
                continue;
            const QChar code = token.at(++i);
            single = single || code == u'f' || code == u'u';
            list = list || code == u'F' || code == u'U';
        }
    }

    auto expand = [&](const QStringList& parameters) {
        const QString one = parameters.isEmpty() ? QString() : parameters.first();
        QStringList argv;
        for (const QString& token : tokens) {
            if (token == u"%F" || token == u"%U") {
                argv += parameters;
                continue;
            }
            if (token == u"%f" || token == u"%u") {
                if (!parameters.isEmpty())
                    argv.append(one);
                continue;
            }
            if (token == u"%i") {
                if (const QString iconName = icon(); !iconName.isEmpty())
                    argv << QStringLiteral("--icon") << iconName;
                continue;
            }
            QString expanded;
            bool literal = token.isEmpty(); // a quoted empty argument stays
            for (qsizetype i = 0; i < token.size(); ++i) {
                const QChar c = token.at(i);
                if (c != u'%' || i + 1 == token.size()) {
                    expanded.append(c);
                    literal = true;
                    continue;
                }
                switch (token.at(++i).unicode()) {
                case u'%': expanded.append(u'%'), literal = true; break;
                case u'f':
                case u'u': expanded.append(one); break;
                case u'c': expanded.append(name()); break;
                case u'k': expanded.append(m_filePath); break;
                // Lists and the icon stand only as whole arguments; deprecated
                // (%d %D %n %N %v %m) and unknown codes are dropped.
                default: break;
                }
            }
            // An argument made only of codes that expand to nothing is removed,
            // not passed as an empty argument.
            if (literal || !expanded.isEmpty())
                argv.append(expanded);
        }
        return argv;
    };

    QList<QStringList> lines;
    if (single && !list && files.size() > 1) {
        for (const QString& file : files)
            lines.append(expand({file}));
    } else {
        lines.append(expand(files));
    }
    for (const QStringList& line : lines) {
        if (line.isEmpty() || line.first().isEmpty()) {
            Error::assign(error, formatError(m_filePath, tr("The desktop entry names no program to run.")));
            return false;
        }
    }
    *result = lines;
    return true;
}

QString DesktopEntry::findExecutable(const QString& program)
{
    if (program.isEmpty())
        return QString();
    if (program.contains(u'/'))
        return Process::isExecutableFile(program) ? program : QString();
    const char* pathVariable = std::getenv("PATH");
    const QString searchPath = pathVariable ? Path::fromNative(QByteArray(pathVariable))
                                            : QStringLiteral("/usr/local/bin:/usr/bin:/bin");
    for (const QString& folder : searchPath.split(u':', Qt::SkipEmptyParts)) {
        const QString candidate = folder + u'/' + program;
        if (Process::isExecutableFile(candidate))
            return candidate;
    }
    return QString();
}

std::vector<std::shared_ptr<Process>> DesktopEntry::launch(const QStringList& files, Error* error) const
{
    std::vector<std::shared_ptr<Process>> started;
    for (auto& process : prepareProcesses(files, error)) {
        if (!process->start(error))
            break;
        started.push_back(std::move(process));
    }
    return started;
}

std::vector<std::shared_ptr<Process>> DesktopEntry::prepareProcesses(const QStringList& files, Error* error) const
{
    std::vector<std::shared_ptr<Process>> prepared;
    const QString entryType = type();
    if (!entryType.isNull() && entryType != u"Application") {
        Error::assign(error, formatError(m_filePath, tr("The desktop entry \u201C%1\u201D does not describe an application.").arg(m_filePath)));
        return {};
    }
    if (const QString test = tryExec(); !test.isEmpty() && findExecutable(test).isNull()) {
        Error::assign(error, programMissingError(test));
        return {};
    }
    QList<QStringList> lines;
    if (!commandLines(files, &lines, error))
        return {};

    QStringList terminalPrefix;
    if (terminal()) {
        const QString emulator = findExecutable(QStringLiteral("x-terminal-emulator"));
        if (emulator.isNull()) {
            Error::assign(error, programMissingError(QStringLiteral("x-terminal-emulator")));
            return {};
        }
        terminalPrefix << emulator << QStringLiteral("-e");
    }

    for (QStringList line : lines) {
        const QString program = findExecutable(line.first());
        if (program.isNull()) {
            Error::assign(error, programMissingError(line.first()));
            return {};
        }
        line.first() = program;
        line = terminalPrefix + line;
        auto process = std::make_shared<Process>(line.first(), line.mid(1));
        process->setWorkingDirectory(workingDirectory());
        prepared.push_back(std::move(process));
    }
    return prepared;
}

} // namespace plat
