#pragma once

#include "FileData/Local/MivOsxFileData.h"
#include "FileData/MivListFilesParams.h"
#include "app/files-table/IMivFilesTableColumnsHost.h"
#include "app/files-table/IMivFilesTableViewDelegate.h"
#include "app/files-table/MivEditTextField.h"
#include "app/files-table/MivFilesTableView.h"
#include "app/panel/IFilesViewDataSource.h"
#include "app/panel/MivFilesTableDataController.h"
#include "app/settings/MivContext.h"
#include "app/views/MivIconRenderer.h"
#include "platform/Error.h"
#include "platform/Path.h"
#include "support/TestEnvironment.h"
#include "support/WaitUntil.h"

#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tabletest {

// The panel's side of a list view, recording what the view asks of it.
class RecordingPanel : public IFilesViewDataSource, public IMivFilesTableViewDelegate, public IMivFilesTableColumnsHost
{
public:
    // IFilesViewDataSource
    void selectAll() override { log << QStringLiteral("selectAll"); }
    void selectNone() override {}
    void invertSelection() override {}
    void selectByExtension() override {}
    void selectGroup() override {}
    void unselectGroup() override {}
    void processPaste() override { log << QStringLiteral("paste"); }
    void processCopy() override { log << QStringLiteral("copy"); }
    void flagsChanged(QWidget*, QKeyEvent* event) override
    {
        log << QStringLiteral("flags:%1").arg(event->type() == QEvent::KeyPress ? "down" : "up");
    }
    bool processKeyDown(QWidget*, QKeyEvent* event) override
    {
        log << QStringLiteral("key:%1").arg(event->key());
        return !consumedKeys.contains(event->key());
    }
    void processInsertKey(QWidget*) override { log << QStringLiteral("tab"); }
    bool processValidateMenuItem(QWidget*, QAction*) override { return true; }
    void processControlKey(const QString& key, const QVariantMap& data) override
    {
        log << key + (data.contains(QStringLiteral("row")) ? QStringLiteral(":%1").arg(data.value("row").toInt()) : QString());
    }

    // IMivFilesTableViewDelegate
    void redisplayPathFinder() override { log << QStringLiteral("redisplayPathFinder"); }
    void tableViewSelectionDidChange(MivFilesTableView*) override { ++selectionChanges; }
    bool shouldEditTableColumn(MivFilesTableView*, const QString& columnId, int row) override
    {
        log << QStringLiteral("shouldEdit:%1:%2").arg(columnId).arg(row);
        return true;
    }
    void prepareEditor(MivEditTextField* editor, int row) override
    {
        log << QStringLiteral("prepareEditor:%1").arg(row);
        editor->setText(QStringLiteral("edited"));
    }
    void setObjectValue(const QString& value, int row) override
    {
        log << QStringLiteral("setObjectValue:%1:%2").arg(value).arg(row);
    }

    // IMivFilesTableColumnsHost
    const void* tabContainer() const override { return hasContainer ? &container : nullptr; }
    bool inSynchronization() const override { return synchronizing; }
    void updateColumnBindings() override { log << QStringLiteral("updateColumnBindings"); }
    void resolveHiddenColumnsForLoading() override { log << QStringLiteral("resolveHidden"); }
    void reloadPanel() override { log << QStringLiteral("reloadPanel"); }
    void refreshPanel() override { log << QStringLiteral("refreshPanel"); }
    bool isActivePanel() const override { return active; }
    void sortDescriptorUpdated(const std::optional<plat::SortDescriptor>& d) override
    {
        log << QStringLiteral("sortDescriptorUpdated:%1").arg(d ? d->key : QString());
    }

    QStringList log;
    QList<int> consumedKeys;
    int selectionChanges = 0;
    int container = 0;
    bool hasContainer = true;
    bool synchronizing = false;
    bool active = true;
};

// Lists a real folder the way a panel's listing does.
inline QList<MivFileDataPtr> listFolder(const QString& path)
{
    const auto folder = MivUrlFileData::createWithURL<MivOsxFileData>(plat::Path::toFileQUrl(path), true);
    QList<MivFileDataPtr> items;
    plat::Error error;
    MivListFilesParams params(std::nullopt, false);
    folder->listElementsToArray(items, params, {}, &error);
    return items;
}

inline void writeFile(const QString& path, qint64 size)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(QByteArray(size, 'x'));
}

// A folder of `folders` sub-folders and `files` files ("file-000.txt", …).
inline void makeFixture(const QString& root, int folders, int files)
{
    for (int i = 0; i < folders; ++i)
        ASSERT_TRUE(QDir(root).mkdir(QStringLiteral("folder-%1").arg(i, 2, 10, QLatin1Char('0'))));
    for (int i = 0; i < files; ++i)
        writeFile(QDir(root).filePath(QStringLiteral("file-%1.txt").arg(i, 3, 10, QLatin1Char('0'))), i * 100);
}

// Shows the items and waits until the model has them on screen.
inline void showItems(MivFilesTableDataController& model, const QList<MivFileDataPtr>& items)
{
    model.setFiles(items);
    ASSERT_TRUE(mivtest::waitUntil([&] { return model.rowCount() == items.size() && !model.hasPendingArrangement(); }));
}

} // namespace tabletest
