#pragma once

#include "FileData/Local/SLSystemRoots.h"
#include "FileData/MivFileUtils.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <pwd.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace systemtest {

// A recorded machine: the mount table, sysfs and udev's database of
// fixtures/volumes copied into a private folder, with the user's name and id
// and a GVfs mount folder (holding real share folders) filled in; another
// user's GVfs mount is in the table too. The volume list
// and the disk manager read it while the object lives.
class RecordedSystem
{
public:
    static inline const QStringList kGvfsShares{
        QStringLiteral("smb-share:domain=WORKGROUP,server=127.0.0.1,share=pub%20lic,user=bob"),
        QStringLiteral("sftp:host=example.org,user=carol"),
    };

    RecordedSystem()
    {
        EXPECT_TRUE(m_dir.isValid());
        const QString source = QStringLiteral(MIVO_TEST_FIXTURES "/volumes");
        QDirIterator it(source, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString from = it.next();
            const QString to = root() + from.mid(source.size());
            QDir().mkpath(QFileInfo(to).path());
            QFile::copy(from, to);
        }
        QDir().mkpath(gvfsFolder());
        for (const QString& share : kGvfsShares)
            QDir().mkpath(gvfsFolder() + QLatin1Char('/') + share);
        QFile table(root() + QStringLiteral("/proc/self/mountinfo"));
        EXPECT_TRUE(table.open(QIODevice::ReadOnly));
        QByteArray text = table.readAll();
        table.close();
        text.replace("@USER@", userName().toUtf8()).replace("@GVFS@", gvfsFolder().toUtf8()).replace("@UID@", QByteArray::number(::geteuid()));
        EXPECT_TRUE(table.open(QIODevice::WriteOnly | QIODevice::Truncate));
        table.write(text);
        table.close();

        m_saved = SLSystemRoots::current();
        SLSystemRoots roots;
        roots.procRoot = root() + QStringLiteral("/proc");
        roots.sysRoot = root() + QStringLiteral("/sys");
        roots.udevDataRoot = root() + QStringLiteral("/run/udev/data");
        SLSystemRoots::setCurrent(roots);
        MivFileUtils::resetVolumesForTesting();
    }
    ~RecordedSystem()
    {
        SLSystemRoots::setCurrent(m_saved);
        MivFileUtils::resetVolumesForTesting();
    }
    RecordedSystem(const RecordedSystem&) = delete;
    RecordedSystem& operator=(const RecordedSystem&) = delete;

    QString root() const { return m_dir.path(); }
    QString gvfsFolder() const { return root() + QStringLiteral("/run-user/gvfs"); }
    static QString userName()
    {
        const passwd* entry = ::getpwuid(::geteuid());
        return entry ? QString::fromLocal8Bit(entry->pw_name) : QString();
    }

private:
    QTemporaryDir m_dir;
    SLSystemRoots m_saved;
};

} // namespace systemtest
