#pragma once

#include "FileData/Local/MivOsxFileData.h"
#include "FileData/Local/MivOsxFileDataCache.h"
#include "FileData/MivUrlFileData.h"
#include "platform/Path.h"
#include "platform/PathString.h"
#include "support/TestEnvironment.h"

#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace localtest {

// A private folder of real files, and an empty local item cache around
// each test.
class LocalFolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        MivOsxFileDataCache::resetForTesting();
    }
    void TearDown() override { MivOsxFileDataCache::resetForTesting(); }

    QString path(const QString& relative) const { return plat::PathString::appendingPathComponent(m_dir.path(), relative); }
    QString path(const QByteArray& relativeBytes) const { return path(plat::Path::fromNative(relativeBytes)); }
    static QUrl url(const QString& path) { return plat::Path::toFileQUrl(path); }

    // Writes the bytes to the path (made or replaced).
    static void write(const QString& path, const QByteArray& bytes)
    {
        const int fd = plat::Path::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0) << path.toStdString();
        ASSERT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
        ::close(fd);
    }
    static void makeFolder(const QString& path) { ASSERT_TRUE(plat::Path::makePath(path, 0755)) << path.toStdString(); }
    static void link(const QString& text, const QString& at)
    {
        ASSERT_EQ(::symlink(plat::Path::toNative(text).constData(), plat::Path::toNative(at).constData()), 0);
    }
    static void remove(const QString& path) { ::unlink(plat::Path::toNative(path).constData()); }

    static std::shared_ptr<MivOsxFileData> item(const QString& path, bool withRefresh = true)
    {
        return MivUrlFileData::createWithURL<MivOsxFileData>(url(path), withRefresh);
    }

    QTemporaryDir m_dir{QDir(mivtest::TestEnvironment::root()).filePath(QStringLiteral("local-XXXXXX"))};
};

} // namespace localtest
