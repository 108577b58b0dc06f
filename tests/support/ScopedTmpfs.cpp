#include "support/ScopedTmpfs.h"

#include "platform/Error.h"
#include "platform/Path.h"
#include "platform/Process.h"

#include <unistd.h>

namespace mivtest {

ScopedTmpfs::ScopedTmpfs(const QString& at, const QString& size)
    : m_at(at)
{
    if (::getuid() != 0) {
        m_whyNot = "mounting a tmpfs needs root";
        return;
    }
    if (!plat::Path::makePath(at, 0700)) {
        m_whyNot = "cannot make the mount point " + at.toStdString();
        return;
    }
    plat::Process mounting(QStringLiteral("/usr/bin/mount"),
                           {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                            QStringLiteral("size=") + size, QStringLiteral("tmpfs"), at});
    mounting.setOutputMode(plat::Process::OutputMode::Combined);
    plat::Error error;
    if (!mounting.start(&error)) {
        m_whyNot = "cannot run mount: " + error.description().toStdString();
        return;
    }
    const QByteArray output = mounting.readAllOutput();
    mounting.waitForExit();
    m_mounted = mounting.exitStatus() == 0;
    if (!m_mounted)
        m_whyNot = "cannot mount a tmpfs here: " + output.trimmed().toStdString();
}

ScopedTmpfs::~ScopedTmpfs()
{
    if (!m_mounted)
        return;
    // Lazy, so a file the test left open cannot keep the mount behind.
    plat::Process unmounting(QStringLiteral("/usr/bin/umount"), {QStringLiteral("-l"), m_at});
    unmounting.setOutputMode(plat::Process::OutputMode::Discard);
    if (unmounting.start())
        unmounting.waitForExit();
}

} // namespace mivtest
