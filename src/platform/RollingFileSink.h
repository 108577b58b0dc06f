#pragma once

// Private to the logger (src/platform/Log.cpp): it brings spdlog in.

#include "platform/Log.h"

#include <QString>
#include <QStringList>

#include <spdlog/details/log_msg.h>
#include <spdlog/sinks/base_sink.h>

#include <chrono>
#include <functional>
#include <mutex>

namespace plat {

// The log file: appends each line with one write, rolls the file aside when
// the next line would pass the size limit or when the file has been in use
// for the rolling period, and keeps at most the configured number of files
// (the current one included). Rolled files are kept as they are, uncompressed.
// Rolling is checked when a line is written, so a quiet program rolls with
// its next line.
class RollingFileSink final : public spdlog::sinks::base_sink<std::mutex>
{
public:
    using LineFunction = std::function<QString(const spdlog::details::log_msg&)>;

    struct Options
    {
        QString folder;
        qint64 maximumFileSize = 0;
        std::chrono::seconds rollingFrequency{0};
        int maximumNumberOfLogFiles = 1;
        LogClock clock;
    };

    RollingFileSink(Options options, LineFunction lineFor);
    ~RollingFileSink() override;

    // False when the current file could not be opened; errorString() tells why.
    bool isOpen() const;
    QString errorString() const;
    QString currentFilePath() const;

protected:
    void sink_it_(const spdlog::details::log_msg& msg) override;
    void flush_() override;

private:
    using TimePoint = std::chrono::system_clock::time_point;

    bool openCurrent(TimePoint now, bool reuseExisting);
    void roll(TimePoint now);
    void removeSurplusFiles();
    void closeCurrent();
    // Names in the log folder, through the path codec.
    QStringList folderEntries() const;
    QString rolledFilePath(TimePoint now) const;

    Options m_options;
    LineFunction m_lineFor;
    int m_fd = -1;
    qint64 m_size = 0;
    TimePoint m_started;
    QString m_error;
};

} // namespace plat
