#include "FileData/MyCustomFormatter.h"

#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/unistr.h>

class MyCustomFormatter::DateFormatter
{
public:
    DateFormatter()
    {
        // The user's current time zone and locale, 24-hour clock, milliseconds.
        UErrorCode status = U_ZERO_ERROR;
        m_format = std::make_unique<icu::SimpleDateFormat>(icu::UnicodeString(u"yyyy-MM-dd HH:mm:ss.SSS"),
                                                           icu::Locale::getDefault(), status);
        if (U_FAILURE(status))
            m_format.reset();
    }

    QString format(const QDateTime& date) const
    {
        if (!m_format || !date.isValid())
            return QString();
        icu::UnicodeString text;
        m_format->format(static_cast<UDate>(date.toMSecsSinceEpoch()), text);
        return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
    }

private:
    std::unique_ptr<icu::SimpleDateFormat> m_format;
};

namespace {

// The thread's "MyCustomFormatter_NSDateFormatter" entry: one per thread.
thread_local std::unique_ptr<MyCustomFormatter::DateFormatter> t_dateFormatter;

QString levelLetter(int flag)
{
    switch (flag) {
    case static_cast<int>(plat::LogLevel::Error):
        return QStringLiteral("E");
    case static_cast<int>(plat::LogLevel::Warning):
        return QStringLiteral("W");
    case static_cast<int>(plat::LogLevel::Info):
        return QStringLiteral("I");
    case static_cast<int>(plat::LogLevel::Debug):
        return QStringLiteral("D");
    default:
        return QStringLiteral("V");
    }
}

} // namespace

MyCustomFormatter::MyCustomFormatter() = default;
MyCustomFormatter::~MyCustomFormatter() = default;

void MyCustomFormatter::didAddToLogger()
{
    atomicLoggerCount.fetch_add(1);
}

void MyCustomFormatter::willRemoveFromLogger()
{
    atomicLoggerCount.fetch_sub(1);
}

MyCustomFormatter::DateFormatter* MyCustomFormatter::dateFormatter()
{
    if (atomicLoggerCount.load() > 1) {
        if (!t_dateFormatter)
            t_dateFormatter = std::make_unique<DateFormatter>();
        return t_dateFormatter.get();
    }
    std::call_once(m_threadUnsafeDateFormatterMade,
                   [this] { threadUnsafeDateFormatter = std::make_unique<DateFormatter>(); });
    return threadUnsafeDateFormatter.get();
}

QString MyCustomFormatter::stringFromDate(const QDateTime& date)
{
    return dateFormatter()->format(date);
}

QString MyCustomFormatter::formatLogMessage(const plat::LogMessage& logMessage)
{
    std::lock_guard<std::mutex> guard(m_lock);
    const QString level = levelLetter(logMessage.flag);
    const QString timestamp = stringFromDate(logMessage.timestamp);
    QString thread = logMessage.threadId;
    if (!logMessage.threadName.isEmpty())
        thread = QStringLiteral("%1:%2").arg(logMessage.threadId, logMessage.threadName);
    // Filled in one pass, so a "%1" inside the message stays as written.
    if (_debug)
        return QStringLiteral("%1;%2 [%3] => %4").arg(timestamp, level, thread, logMessage.text);
    return QStringLiteral("%1;%2 [%3] %4").arg(timestamp, level, thread, logMessage.text);
}
