#pragma once

#include "platform/Log.h"

#include <QDateTime>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>

// The layout of every line in the program's log files:
// "<timestamp>;<level letter> [<thread id>[:<thread name>]] <text>".
class MyCustomFormatter
{
public:
    // The timestamp formatter behind stringFromDate (an ICU date format).
    class DateFormatter;

    MyCustomFormatter();
    ~MyCustomFormatter();
    MyCustomFormatter(const MyCustomFormatter&) = delete;
    MyCustomFormatter& operator=(const MyCustomFormatter&) = delete;

    QString formatLogMessage(const plat::LogMessage& logMessage);

    // Loggers attach and detach from any thread.
    void didAddToLogger();
    void willRemoveFromLogger();
    int loggerCount() const { return atomicLoggerCount.load(); }

    QString stringFromDate(const QDateTime& date);

    bool debug() const { return _debug; }
    void setDebug(bool debug) { _debug = debug; }

    // The timestamp formatter that stringFromDate uses on the calling thread:
    // the formatter's own while at most one logger uses it, otherwise the
    // thread's own, shared by every formatter on that thread.
    DateFormatter* dateFormatter();

private:
    std::atomic<int> atomicLoggerCount{0};
    std::unique_ptr<DateFormatter> threadUnsafeDateFormatter;
    std::once_flag m_threadUnsafeDateFormatterMade;
    std::atomic<bool> _debug{false};
    // One line at a time: the shared timestamp formatter is not thread-safe.
    std::mutex m_lock;
};
