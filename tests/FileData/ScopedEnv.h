#pragma once

#include <QByteArray>

#include <cstdlib>
#include <ctime>
#include <optional>

namespace mivtest {

// Sets one environment variable for the length of a test and puts the old
// value back (re-reading the time zone when it was TZ). Only for variables
// that no other thread of the test binary reads while the test runs.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = QByteArray(old);
        ::setenv(name, value.constData(), 1);
        ::tzset();
    }
    ~ScopedEnv()
    {
        if (m_old)
            ::setenv(m_name, m_old->constData(), 1);
        else
            ::unsetenv(m_name);
        ::tzset();
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<QByteArray> m_old;
};

} // namespace mivtest
