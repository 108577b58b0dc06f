#pragma once

#include "../settings/SettingsTestSupport.h"
#include "support/QtMainThread.h"

#include "FileData/MivFileData.h"
#include "FileData/MivFileDataManager.h"
#include "FileData/MivUpFolderData.h"
#include "app/panel/MivFilesTableDataController.h"
#include "platform/Error.h"
#include "platform/Path.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>

#include <memory>

namespace mivtest {

// A real folder of files and folders with chosen sizes and modification
// times, listed through the local items, and the list model on this test's
// main thread.
class ListModelTest : public SettingsTest
{
protected:
    static constexpr qint64 kBaseTime = 1700000000;

    void SetUp() override
    {
        SettingsTest::SetUp();
        MivFileDataManager::registerHooks();
        m_main = std::make_unique<QtMainThread>();
        ASSERT_TRUE(m_dir.isValid());
    }
    void TearDown() override
    {
        m_main.reset();
        SettingsTest::TearDown();
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }

    void makeFile(const QString& name, qint64 size, qint64 secondsAfterBase)
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(size, 'x'));
        file.close();
        setTime(name, secondsAfterBase);
    }
    void makeFolder(const QString& name, qint64 secondsAfterBase)
    {
        ASSERT_TRUE(QDir(m_dir.path()).mkdir(name));
        setTime(name, secondsAfterBase);
    }
    void setTime(const QString& name, qint64 secondsAfterBase)
    {
        const timespec times[2] = {{kBaseTime, 0}, {kBaseTime + secondsAfterBase, 0}};
        ASSERT_EQ(0, utimensat(AT_FDCWD, plat::Path::toNative(path(name)).constData(), times, AT_SYMLINK_NOFOLLOW));
    }

    MivFileDataPtr folderItem() const { return MivFileDataManager::makeInstanceForString(m_dir.path(), true); }

    // The folder's children, in listing order, with the ".." row first when asked.
    QList<MivFileDataPtr> list(bool withUpRow = true) const
    {
        const MivFileDataPtr folder = folderItem();
        plat::Error error;
        QList<MivFileDataPtr> items = folder->listElements(true, {}, &error);
        if (withUpRow)
            items.prepend(MivFileData::makeItem<MivUpFolderData>(folder));
        return items;
    }

    // Turns the main loop until the model has shown what was asked of it.
    static void settle(const MivFilesTableDataController& model)
    {
        while (model.hasPendingArrangement())
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }

    static QStringList names(const QList<MivFileDataPtr>& items)
    {
        QStringList result;
        for (const auto& item : items)
            result.append(item->isUpFolderData() ? QStringLiteral("..") : item->name());
        return result;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<QtMainThread> m_main;
};

} // namespace mivtest
