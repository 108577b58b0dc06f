#include "support/TestEnvironment.h"

#include "platform/IcuLocale.h"

#include <QByteArray>
#include <QDir>

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <langinfo.h>
#include <signal.h>
#include <stdexcept>
#include <string>

namespace mivtest {

namespace {
QString g_root;

void setEnv(const char* name, const QString& value)
{
    ::setenv(name, value.toLocal8Bit().constData(), 1);
}
} // namespace

TestEnvironment::TestEnvironment()
{
    signal(SIGPIPE, SIG_IGN);

    std::string pattern = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/mivo-test-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create the test folder");
    m_root = QString::fromLocal8Bit(pattern.c_str());
    g_root = m_root;

    const QString home = m_root + QStringLiteral("/home");
    const QString runtime = m_root + QStringLiteral("/run");
    QDir().mkpath(home);
    QDir().mkpath(runtime);
    const QString tmp = m_root + QStringLiteral("/tmp");
    QDir().mkpath(tmp);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    setEnv("HOME", home);
    setEnv("XDG_CONFIG_HOME", home + QStringLiteral("/.config"));
    setEnv("XDG_DATA_HOME", home + QStringLiteral("/.local/share"));
    setEnv("XDG_STATE_HOME", home + QStringLiteral("/.local/state"));
    setEnv("XDG_CACHE_HOME", home + QStringLiteral("/.cache"));
    setEnv("XDG_RUNTIME_DIR", runtime);
    setEnv("TMPDIR", tmp);
    setEnv("TZ", QStringLiteral("UTC"));
    ::tzset();
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("ICU_LOCALE", "en_US", 1);
    // ICU reads no ICU_LOCALE variable: pin its default locale itself, before
    // any thread formats or compares texts.
    plat::setIcuDefaultLocale(QStringLiteral("en_US"));

    std::setlocale(LC_ALL, "C.UTF-8");
    if (std::string(nl_langinfo(CODESET)) != "UTF-8")
        std::setlocale(LC_CTYPE, "C.UTF-8");
}

TestEnvironment::~TestEnvironment()
{
    if (!m_root.isEmpty() && !std::getenv("MIVO_KEEP_TEST_FOLDER"))
        QDir(m_root).removeRecursively();
}

QString TestEnvironment::root()
{
    return g_root;
}

} // namespace mivtest
