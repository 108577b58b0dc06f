// Log lines: whatever a message holds, it is one line in the program's
// layout and keeps every character (CR and LF written as "\r" and "\n"), in
// the file layout and in the system log.

#include "FuzzSupport.h"

#include "FileData/MivLogSetup.h"
#include "platform/Log.h"

#include <QRegularExpression>

#include <cstdlib>
#include <mutex>

namespace {

struct Seen
{
    std::mutex mutex;
    QString line;
    QString message;
    QString systemLog;
};

Seen& seen()
{
    static Seen* const instance = new Seen;
    return *instance;
}

QString expectedText(const QString& message)
{
    QString text = message;
    text.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return text;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::initialize();
    QByteArray folder = QByteArray(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/mivo-fuzz-log-XXXXXX";
    if (!::mkdtemp(folder.data()))
        std::abort();
    plat::LogSetup setup;
    setup.folder = plat::Path::fromNative(folder);
    setup.maximumFileSize = 1 << 20;
    setup.maximumNumberOfLogFiles = 2;
    setup.systemLog = [](plat::LogLevel, const QString& text) {
        std::lock_guard<std::mutex> guard(seen().mutex);
        seen().systemLog = text;
    };
    if (!MivLogging::setupLogging(setup))
        std::abort();
    // The program's layout, watched.
    plat::LogLineFormatter layout = plat::logLineFormatter();
    plat::setLogLineFormatter([layout](const plat::LogMessage& message) {
        const QString line = layout(message);
        std::lock_guard<std::mutex> guard(seen().mutex);
        seen().line = line;
        seen().message = message.text;
        return line;
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Input input(data, size);
    const bool error = input.byte() & 1;
    const QString message = input.byte() & 1 ? fuzz::rawUtf16(input.rest()) : fuzz::text(input.rest());
    if (error)
        MIV_LOG_ERROR(message);
    else
        MIV_LOG_INFO(message);

    static const QRegularExpression layout(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3};[EI] \\[[^\\]\\r\\n]*\\] $"));
    std::lock_guard<std::mutex> guard(seen().mutex);
    const QString expected = expectedText(message);
    FUZZ_CHECK(!seen().line.contains(QLatin1Char('\n')) && !seen().line.contains(QLatin1Char('\r')), show(message), show(seen().line));
    // The layout's prefix alone: a regular expression refuses a subject with
    // lone surrogates, which the message may hold.
    const QString prefix = seen().line.left(seen().line.indexOf(QLatin1String("] ")) + 2);
    const QRegularExpressionMatch match = layout.match(prefix);
    FUZZ_CHECK(match.hasMatch(), show(seen().line));
    // Every character survives the way through spdlog's bytes, except lone
    // surrogates that stand for no byte (broken text: they come back as the
    // escapes of their three bytes).
    const QString rest = seen().line.mid(prefix.size());
    if (plat::Path::fromNative(plat::Path::toNative(message)) == message) {
        FUZZ_CHECK(rest == expected, show(message), show(rest));
        FUZZ_CHECK(seen().message == expected, show(message), show(seen().message));
        if (error)
            FUZZ_CHECK(seen().systemLog == expected, show(message), show(seen().systemLog));
    }
    return 0;
}
