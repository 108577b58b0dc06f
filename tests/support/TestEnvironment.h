#pragma once

#include <QString>

namespace mivtest {

// Process-wide set-up of every test binary, made in main before any thread
// starts: HOME and the XDG folders point into a private temporary folder that
// is removed at the end, the time zone and locale are fixed.
class TestEnvironment
{
public:
    TestEnvironment();
    ~TestEnvironment();
    TestEnvironment(const TestEnvironment&) = delete;
    TestEnvironment& operator=(const TestEnvironment&) = delete;

    static QString root();

private:
    QString m_root;
};

} // namespace mivtest
