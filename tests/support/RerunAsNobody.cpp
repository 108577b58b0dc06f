#include "support/RerunAsNobody.h"

#include "platform/Path.h"
#include "platform/Process.h"

#include <QFile>

namespace mivtest {

RerunResult rerunAsNobody(const QString& testName)
{
    const QString self = plat::Path::fromNative(QFile::symLinkTarget(QStringLiteral("/proc/self/exe")).toUtf8());
    plat::Process rerun(QStringLiteral("/usr/bin/env"),
                        {QStringLiteral("TMPDIR=/tmp"), QStringLiteral("/usr/bin/setpriv"), QStringLiteral("--reuid=65534"),
                         QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups"), self,
                         QStringLiteral("--gtest_filter=") + testName});
    rerun.setOutputMode(plat::Process::OutputMode::Combined);
    RerunResult result;
    if (!rerun.start())
        return result;
    result.output = rerun.readAllOutput();
    rerun.waitForExit();
    result.exitStatus = rerun.exitStatus();
    return result;
}

} // namespace mivtest
