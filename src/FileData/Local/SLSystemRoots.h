#pragma once

#include <QString>

// Where the volume and disk readers find the kernel's and udev's views of
// the machine. The running program uses the system's own folders; tests
// point them at recorded trees. Copied whole under a lock.
struct SLSystemRoots
{
    QString procRoot = QStringLiteral("/proc");
    QString sysRoot = QStringLiteral("/sys");
    QString udevDataRoot = QStringLiteral("/run/udev/data");

    static SLSystemRoots current();
    // Replaces the roots for everything read from now on.
    static void setCurrent(const SLSystemRoots& roots);
};
