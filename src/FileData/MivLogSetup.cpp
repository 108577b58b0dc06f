#include "FileData/MivLogSetup.h"

#include "FileData/MyCustomFormatter.h"

#include <memory>

namespace {

// Keeps the formatter counted as attached for as long as the logger holds
// the layout that uses it.
class LoggerAttachment
{
public:
    explicit LoggerAttachment(std::shared_ptr<MyCustomFormatter> formatter) : m_formatter(std::move(formatter))
    {
        m_formatter->didAddToLogger();
    }
    ~LoggerAttachment() { m_formatter->willRemoveFromLogger(); }
    LoggerAttachment(const LoggerAttachment&) = delete;
    LoggerAttachment& operator=(const LoggerAttachment&) = delete;

private:
    std::shared_ptr<MyCustomFormatter> m_formatter;
};

} // namespace

bool MivLogging::setupLogging()
{
    return MivLogging::setupLogging(plat::LogSetup());
}

bool MivLogging::setupLogging(plat::LogSetup setup)
{
    if (setup.folder.isEmpty())
        setup.folder = plat::defaultLogFolder();

    auto formatter = std::make_shared<MyCustomFormatter>();
    auto attachment = std::make_shared<LoggerAttachment>(formatter);
    plat::setLogLineFormatter([formatter, attachment](const plat::LogMessage& message) {
        return formatter->formatLogMessage(message);
    });
    return plat::setupLogging(setup);
}
