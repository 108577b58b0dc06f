#include "platform/RollingFileSink.h"

#include "platform/LogText.h"
#include "platform/Path.h"
#include "platform/PosixError.h"

#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

namespace {

constexpr mode_t kLogFileMode = 0600;

QString joined(const QString& folder, const QString& name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

bool writeAll(int fd, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        left -= written;
    }
    return true;
}

QDateTime localTime(std::chrono::system_clock::time_point time)
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
    return QDateTime::fromMSecsSinceEpoch(ms);
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

RollingFileSink::~RollingFileSink()
{
    closeCurrent();
}

bool RollingFileSink::isOpen() const
{
    return m_fd >= 0;
}

void RollingFileSink::closeCurrent()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

QStringList RollingFileSink::folderEntries() const
{
    QStringList names;
    DIR* dir = ::opendir(Path::toNative(m_options.folder).constData());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir))
        names.append(Path::fromNative(entry->d_name));
    ::closedir(dir);
    return names;
}

QString RollingFileSink::errorString() const
{
    return m_error;
}

QString RollingFileSink::currentFilePath() const
{
    return joined(m_options.folder, QLatin1String(kCurrentLogFileName));
}

bool RollingFileSink::openCurrent(TimePoint now, bool reuseExisting)
{
    closeCurrent();
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (reuseExisting ? O_APPEND : O_TRUNC);
    m_fd = Path::open(currentFilePath(), flags, kLogFileMode);
    if (m_fd < 0) {
        m_error = errnoText(errno);
        return false;
    }
    m_error.clear();
    struct statx info {};
    const bool known = ::statx(m_fd, "", AT_EMPTY_PATH, STATX_SIZE | STATX_BTIME | STATX_MTIME, &info) == 0;
    m_size = known ? static_cast<qint64>(info.stx_size) : 0;
    m_started = now;
    if (known && reuseExisting && m_size > 0) {
        // The file's age decides when a reused file rolls; a birth time in the
        // future (clock set back) counts as now.
        const statx_timestamp born = (info.stx_mask & STATX_BTIME) ? info.stx_btime : info.stx_mtime;
        const TimePoint bornAt = TimePoint(std::chrono::seconds(born.tv_sec)) +
                                 std::chrono::duration_cast<TimePoint::duration>(std::chrono::nanoseconds(born.tv_nsec));
        m_started = std::min(now, bornAt);
    }
    return true;
}

void RollingFileSink::sink_it_(const spdlog::details::log_msg& msg)
{
    QByteArray bytes = logBytes(m_lineFor(msg));
    bytes.append('\n');
    const TimePoint now = m_options.clock();

    if (m_fd < 0 && !openCurrent(now, true)) {
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
    if (m_fd < 0) {
        std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
        return;
    }
    if (writeAll(m_fd, bytes))
        m_size += bytes.size();
}

void RollingFileSink::flush_()
{
    // Every line is written with its own write(2); nothing is buffered here.
}

QString RollingFileSink::rolledFilePath(TimePoint now) const
{
    const QString stamp = localTime(now).toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    // A name of the same second gets a counter above every one in use, so
    // that the order of names stays the order of rolls even after pruning
    // has freed a lower counter.
    qint64 highest = -1;
    for (const QString& name : folderEntries()) {
        const QRegularExpressionMatch match = rolledNamePattern().match(name);
        if (match.hasMatch() && match.captured(1) == stamp)
            highest = std::max(highest, match.captured(2).toLongLong());
    }
    if (highest < 0)
        return joined(m_options.folder, QStringLiteral("mivo-%1.log").arg(stamp));
    return joined(m_options.folder, QStringLiteral("mivo-%1_%2.log").arg(stamp).arg(highest + 1));
}

void RollingFileSink::roll(TimePoint now)
{
    closeCurrent();
    const QString target = rolledFilePath(now);
    if (::rename(Path::toNative(currentFilePath()).constData(), Path::toNative(target).constData()) != 0) {
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
    std::vector<RolledFile> rolled;
    for (const QString& name : folderEntries()) {
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
        ::unlink(Path::toNative(joined(m_options.folder, rolled[i].name)).constData());
}

} // namespace plat
