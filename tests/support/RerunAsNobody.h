#pragma once

#include <QByteArray>
#include <QString>

namespace mivtest {

// CI runs as root, which no permission check refuses. A test of what an
// ordinary user is refused runs its own case again in this binary as nobody
// (uid and gid 65534, no supplementary groups): never a fork of this process,
// whose threads hold locks a child would inherit. TMPDIR is /tmp there, since
// this process's private temporary folder is closed to nobody.
struct RerunResult
{
    int exitStatus = -1;
    QByteArray output;

    // The one test ran and passed.
    bool passed() const { return exitStatus == 0 && output.contains("[  PASSED  ] 1 test"); }
};

// testName is "Suite.Test", as --gtest_filter takes it.
RerunResult rerunAsNobody(const QString& testName);

} // namespace mivtest
