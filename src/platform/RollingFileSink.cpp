#include "platform/RollingFileSink.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cstdio>

namespace plat {

namespace {

constexpr QFileDevice::Permissions kLogFilePermissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

QDateTime localTime(std::chrono::system_clock::time_point time)
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
    return QDateTime::fromMSecsSinceEpoch(ms);
}

std::chrono::system_clock::time_point timePoint(const QDateTime& time)
{
    return std::chrono::system_clock::time_point(std::chrono::milliseconds(time.toMSecsSinceEpoch()));
}

// "mivo-2026-01-02_03-04-05.log" or "mivo-2026-01-02_03-04-05_3.log".
const QRegularExpression& rolledNamePattern()
{
    static const QRegularExpression pattern(
        QStringLiteral("^mivo-(\\d{4}-\\d{2}-\\d{2}_\\d{2}-\\d{2}-\\d{2})(?:_(\\d+))?\\.log$"));
    return pattern;
}

struct RolledFile
{
    QString name;
    QString stamp;
    qint64 counter = 0;
};

} // namespace

RollingFileSink::RollingFileSink(Options options, LineFunction lineFor)
    : m_options(std::move(options)), m_lineFor(std::move(lineFor))
{
    if (!m_options.clock)
        m_options.clock = [] { return std::chrono::system_clock::now(); };
    if (m_options.maximumNumberOfLogFiles < 1)
        m_options.maximumNumberOfLogFiles = 1;
    openCurrent(m_options.clock(), true);
    removeSurplusFiles();
}

RollingFileSink::~RollingFileSink() = default;

bool RollingFileSink::isOpen() const
{
    return m_file.isOpen();
}

QString RollingFileSink::errorString() const
{
    return m_error;
}

QString RollingFileSink::currentFilePath() const
{
    return QDir(m_options.folder).filePath(QLatin1String(kCurrentLogFileName));
}

bool RollingFileSink::openCurrent(TimePoint now, bool reuseExisting)
{
    m_file.close();
    m_file.setFileName(currentFilePath());
    QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Unbuffered;
    mode |= reuseExisting ? QIODevice::Append : QIODevice::Truncate;
    if (!m_file.open(mode, kLogFilePermissions)) {
        m_error = m_file.errorString();
        return false;
    }
    m_error.clear();
    m_size = m_file.size();
    m_started = now;
    if (reuseExisting && m_size > 0) {
        // The file's age decides when a reused file rolls; a birth time in the
        // future (clock set back) counts as now.
        const QFileInfo info(m_file.fileName());
        QDateTime born = info.birthTime();
        if (!born.isValid())
            born = info.lastModified();
        if (born.isValid())
            m_started = std::min(now, timePoint(born));
    }
    return true;
}

void RollingFileSink::sink_it_(const spdlog::details::log_msg& msg)
{
    QByteArray bytes = m_lineFor(msg).toUtf8();
    bytes.append('\n');
    const TimePoint now = m_options.clock();

    if (!m_file.isOpen() && !openCurrent(now, true)) {
        // The folder went away or is not writable: the line still goes somewhere.
        std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
        return;
    }
    if (m_size > 0) {
        const bool full = m_size + bytes.size() > m_options.maximumFileSize;
        const bool old = now - m_started >= m_options.rollingFrequency;
        if (full || old)
            roll(now);
    } else if (now - m_started >= m_options.rollingFrequency) {
        m_started = now; // nothing to keep from an empty file
    }
    if (!m_file.isOpen()) {
        std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
        return;
    }
    const qint64 written = m_file.write(bytes);
    if (written > 0)
        m_size += written;
}

void RollingFileSink::flush_()
{
    // Every line is written with its own write(2); nothing is buffered here.
}

QString RollingFileSink::rolledFilePath(TimePoint now) const
{
    const QDir dir(m_options.folder);
    const QString stamp = localTime(now).toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    // A name of the same second gets a counter above every one in use, so
    // that the order of names stays the order of rolls even after pruning
    // has freed a lower counter.
    qint64 highest = -1;
    const QStringList names = dir.entryList({QStringLiteral("mivo-%1*.log").arg(stamp)}, QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        const QRegularExpressionMatch match = rolledNamePattern().match(name);
        if (match.hasMatch() && match.captured(1) == stamp)
            highest = std::max(highest, match.captured(2).toLongLong());
    }
    if (highest < 0)
        return dir.filePath(QStringLiteral("mivo-%1.log").arg(stamp));
    return dir.filePath(QStringLiteral("mivo-%1_%2.log").arg(stamp).arg(highest + 1));
}

void RollingFileSink::roll(TimePoint now)
{
    m_file.close();
    const QString target = rolledFilePath(now);
    if (!QFile::rename(currentFilePath(), target)) {
        // Keep logging into the old file rather than losing it by truncation.
        openCurrent(now, true);
        m_started = now;
        return;
    }
    openCurrent(now, false);
    removeSurplusFiles();
}

void RollingFileSink::removeSurplusFiles()
{
    const QDir dir(m_options.folder);
    std::vector<RolledFile> rolled;
    const QStringList names = dir.entryList({QStringLiteral("mivo-*.log")}, QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        const QRegularExpressionMatch match = rolledNamePattern().match(name);
        if (match.hasMatch())
            rolled.push_back({name, match.captured(1), match.captured(2).toLongLong()});
    }
    const size_t keep = static_cast<size_t>(m_options.maximumNumberOfLogFiles - 1);
    if (rolled.size() <= keep)
        return;
    // Newest first: by the roll time in the name, then by its counter.
    std::sort(rolled.begin(), rolled.end(), [](const RolledFile& a, const RolledFile& b) {
        if (a.stamp != b.stamp)
            return a.stamp > b.stamp;
        return a.counter > b.counter;
    });
    for (size_t i = keep; i < rolled.size(); ++i)
        QFile::remove(dir.filePath(rolled[i].name));
}

} // namespace plat
