#include "app/dialogs/MivModDateWindowController.h"

#include "FileData/MivErrorPresenter.h"
#include "FileData/MivFileData.h"
#include "FileData/MivFileDataManager.h"
#include "platform/Error.h"

#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QDateTime kDate(QDate(2001, 2, 3), QTime(4, 5, 6));

// a.txt, dir/{b.txt, sub/c.txt, link -> ../outside}, outside/inner.txt
class ModDateTree : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        makeTree(QStringLiteral("tree"));
        MivErrorPresenter::setPresentationHandler([this](const plat::Error& error) { m_presented.append(error); });
    }

    // A fresh tree in its own folder, which path() and item() then use.
    void makeTree(const QString& name)
    {
        m_base = QDir(m_dir.path()).filePath(name);
        ASSERT_TRUE(QDir().mkpath(m_base));
        const QDir root(m_base);
        ASSERT_TRUE(root.mkpath(QStringLiteral("dir/sub")));
        ASSERT_TRUE(root.mkpath(QStringLiteral("outside")));
        for (const char* name : {"a.txt", "dir/b.txt", "dir/sub/c.txt", "outside/inner.txt"}) {
            QFile file(path(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("x");
        }
        ASSERT_TRUE(QFile::link(QStringLiteral("../outside"), path("dir/link")));
    }

    void TearDown() override { MivErrorPresenter::setPresentationHandler({}); }

    QString path(const char* relative) const { return QDir(m_base).filePath(QString::fromUtf8(relative)); }

    MivFileDataPtr item(const char* relative) const
    {
        return MivFileDataManager::makeFreshInstanceForURL(QUrl::fromLocalFile(path(relative)), true);
    }

    bool changed(const char* relative) const { return QFileInfo(path(relative)).lastModified() == kDate; }

    // Runs the dialog's OK with the chosen date and scope over the items.
    void apply(const QList<MivFileDataPtr>& items, int scope)
    {
        MivModDateWindowController dialog(items);
        dialog.setScope(scope);
        dialog.setChoice(MivModDateWindowController::kChoicePicker);
        ASSERT_TRUE(dialog.datePicker()->isEnabled());
        dialog.datePicker()->setDateTime(kDate);
        dialog.processResult(MivModalWindowController::kResponseStop);
    }

    QTemporaryDir m_dir;
    QString m_base;
    QList<plat::Error> m_presented;
};

TEST_F(ModDateTree, ScopesChooseWhatChanges)
{
    struct Case
    {
        int scope;
        QStringList changedPaths;
    };
    const QStringList all{"a.txt", "dir", "dir/b.txt", "dir/sub", "dir/sub/c.txt"};
    const Case cases[] = {
        {0, {"a.txt", "dir"}},
        {1, {"a.txt", "dir/b.txt", "dir/sub/c.txt"}},
        {2, {"dir", "dir/sub"}},
        {3, all},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scope);
        makeTree(QStringLiteral("scope%1").arg(c.scope));
        apply({item("a.txt"), item("dir")}, c.scope);
        for (const QString& name : all)
            EXPECT_EQ(changed(name.toUtf8().constData()), c.changedPaths.contains(name)) << name.toStdString();
        // A link to a folder is never entered.
        EXPECT_FALSE(changed("outside/inner.txt"));
        EXPECT_TRUE(m_presented.isEmpty());
    }
}

TEST_F(ModDateTree, ScopeTwoOnAFileChangesNothing)
{
    apply({item("a.txt")}, 2);
    EXPECT_FALSE(changed("a.txt"));
}

TEST_F(ModDateTree, TheDateChoiceEnablesThePicker)
{
    MivModDateWindowController dialog({item("a.txt")});
    dialog.window();
    EXPECT_FALSE(dialog.datePicker()->isEnabled());
    EXPECT_EQ(dialog.modDate(), QFileInfo(path("a.txt")).lastModified());
    dialog.setChoice(MivModDateWindowController::kChoicePicker);
    EXPECT_TRUE(dialog.datePicker()->isEnabled());
    dialog.setChoice(MivModDateWindowController::kChoiceNow);
    EXPECT_FALSE(dialog.datePicker()->isEnabled());

    // "Now" ignores the picker.
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    dialog.datePicker()->setDateTime(kDate);
    dialog.processResult(MivModalWindowController::kResponseStop);
    EXPECT_GE(QFileInfo(path("a.txt")).lastModified(), before);
}

TEST_F(ModDateTree, CancelChangesNothing)
{
    MivModDateWindowController dialog({item("a.txt")});
    dialog.setChoice(MivModDateWindowController::kChoicePicker);
    dialog.datePicker()->setDateTime(kDate);
    dialog.processResult(MivModalWindowController::kResponseAbort);
    EXPECT_FALSE(changed("a.txt"));
}

TEST_F(ModDateTree, AFolderThatCannotBeListedStopsTheRunWithOneAlert)
{
    const QList<MivFileDataPtr> items{item("a.txt"), item("dir"), item("outside/inner.txt")};
    ASSERT_TRUE(QDir(path("dir")).removeRecursively());
    apply(items, 1);
    EXPECT_TRUE(changed("a.txt"));
    EXPECT_FALSE(changed("outside/inner.txt"));
    EXPECT_EQ(m_presented.size(), 1);
}

TEST_F(ModDateTree, ADateThatCannotBeSetIsReportedAndStopsTheRun)
{
    // The item was made while the file existed; setting its date now fails.
    const QList<MivFileDataPtr> items{item("a.txt"), item("dir/b.txt"), item("outside/inner.txt")};
    ASSERT_TRUE(QFile::remove(path("dir/b.txt")));
    apply(items, 0);
    EXPECT_TRUE(changed("a.txt"));
    EXPECT_FALSE(changed("outside/inner.txt"));
    ASSERT_EQ(m_presented.size(), 1);
    EXPECT_FALSE(m_presented.first().localizedDescription().isEmpty());
}

TEST_F(ModDateTree, OneItemWithAnErrorOutParameterIsNotPresented)
{
    MivFileDataPtr gone = item("dir/b.txt");
    ASSERT_TRUE(QFile::remove(path("dir/b.txt")));
    MivModDateWindowController dialog({item("a.txt")});
    plat::Error error;
    EXPECT_FALSE(dialog.processModDate(kDate, 0, gone, &error));
    EXPECT_TRUE(bool(error));
    EXPECT_TRUE(m_presented.isEmpty());
    // Without one, the error is presented.
    EXPECT_FALSE(dialog.processModDate(kDate, 0, gone, nullptr));
    EXPECT_EQ(m_presented.size(), 1);
}

} // namespace
