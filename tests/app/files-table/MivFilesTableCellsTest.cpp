#include "FilesTableTestSupport.h"

#include "app/files-table/MivNameCellDelegate.h"
#include "app/files-table/MivTextCellDelegate.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>

#include <gtest/gtest.h>

using namespace tabletest;

namespace {

class FilesTableCellsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MivContext::resetForTesting();
        MivIconRenderer::installIconTheme();
    }
    void TearDown() override { MivContext::resetForTesting(); }
};

TEST_F(FilesTableCellsTest, TheIconSquareCentresWithTruncatedOffsets)
{
    const struct
    {
        QRectF rect;
        QRectF icon;
    } cases[] = {
        {{0, 10, 16, 20}, {0, 12, 16, 16}},   // 20 high: 2 lower
        {{0, 10, 16, 15}, {0, 10, 16, 16}},   // 15 high: same y, overlapping the edge
        {{4, 0, 21, 21}, {6, 2, 16, 16}},     // odd room: offsets truncate
        {{0, 0, 10, 10}, {0, 0, 16, 16}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MivNameCellDelegate::iconRect(c.rect), c.icon);
}

TEST_F(FilesTableCellsTest, TheRowMarginIsReadAtEachUse)
{
    MivContext::context()->setTableRowHeightMargin(3);
    EXPECT_EQ(MivTextCellDelegate::textRect(QRect(0, 10, 100, 20)), QRect(0, 13, 100, 14));
    MivContext::context()->setTableRowHeightMargin(0);
    EXPECT_EQ(MivTextCellDelegate::textRect(QRect(0, 10, 100, 20)), QRect(0, 10, 100, 20));
}

TEST_F(FilesTableCellsTest, RowsAreALineOfTheFontAndTwoMarginsHigh)
{
    MivContext::context()->setTableRowHeightMargin(4);
    MivFilesTableView view;
    const int line = int(std::ceil(QFontMetricsF(view.font()).lineSpacing()));
    EXPECT_EQ(view.verticalHeader()->defaultSectionSize(), line + 8);
    EXPECT_EQ(view.verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    EXPECT_TRUE(view.verticalHeader()->isHidden());
}

TEST_F(FilesTableCellsTest, TheEditorKeyTableWinsOverTheWindow)
{
    QWidget window;
    auto* field = new MivEditTextField(&window);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    field->setFocus();
    ASSERT_TRUE(mivtest::waitUntil([&] { return field->hasFocus(); }));

    const auto press = [&](int key, Qt::KeyboardModifiers modifiers) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        return field->performKeyEquivalent(&event);
    };
    field->setText(QStringLiteral("name.txt"));
    field->setCursorPosition(3);
    const struct
    {
        int key;
        Qt::KeyboardModifiers modifiers;
        int cursor;
    } moves[] = {{Qt::Key_End, Qt::NoModifier, 8}, {Qt::Key_Home, Qt::ShiftModifier, 0},
                 {Qt::Key_End, Qt::ControlModifier | Qt::AltModifier, 8}, {Qt::Key_Home, Qt::MetaModifier, 0}};
    for (const auto& m : moves) {
        EXPECT_TRUE(press(m.key, m.modifiers)) << m.key;
        EXPECT_EQ(field->cursorPosition(), m.cursor) << m.key;
        EXPECT_FALSE(field->hasSelectedText()) << "Home and End move, they do not select";
    }

    // Nothing selected: Ctrl-X and Ctrl-C are not handled; nothing to undo: nor is Ctrl-Z.
    QApplication::clipboard()->setText(QStringLiteral("before"));
    EXPECT_FALSE(press(Qt::Key_X, Qt::ControlModifier));
    EXPECT_FALSE(press(Qt::Key_C, Qt::ControlModifier));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("before"));
    field->setText(QStringLiteral("name.txt"));
    EXPECT_FALSE(press(Qt::Key_Z, Qt::ControlModifier));
    EXPECT_FALSE(press(Qt::Key_V, Qt::NoModifier)) << "V without Ctrl is typing";

    field->setSelection(0, 4);
    EXPECT_TRUE(press(Qt::Key_C, Qt::ControlModifier));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("name"));
    EXPECT_TRUE(press(Qt::Key_X, Qt::ControlModifier));
    EXPECT_EQ(field->text(), QStringLiteral(".txt"));
    EXPECT_TRUE(press(Qt::Key_Z, Qt::ControlModifier));
    EXPECT_EQ(field->text(), QStringLiteral("name.txt"));

    // Pasting takes the plain text even when the clipboard holds styled text.
    auto* mime = new QMimeData;
    mime->setHtml(QStringLiteral("<b>bold</b>"));
    mime->setText(QStringLiteral("plain"));
    QApplication::clipboard()->setMimeData(mime);
    field->setText(QString());
    EXPECT_TRUE(press(Qt::Key_V, Qt::ControlModifier));
    EXPECT_EQ(field->text(), QStringLiteral("plain"));

    // Without the focus the field handles nothing.
    field->clearFocus();
    EXPECT_FALSE(press(Qt::Key_End, Qt::NoModifier));
}

// Pictures of the table, sampled where no text or icon is drawn: the left
// edge of the name cell.
class FilesTablePictureTest : public FilesTableCellsTest
{
protected:
    void SetUp() override
    {
        FilesTableCellsTest::SetUp();
        ASSERT_TRUE(m_dir.isValid());
        makeFixture(m_dir.path(), 1, 2);
        view.setDataController(&model);
        showItems(model, listFolder(m_dir.path()));
        view.setStandardBackgroundColor(kStandard);
        view.setAlternateBackgroundColor(kAlternate);
        window.resize(400, 300);
        auto* layout = new QHBoxLayout(&window);
        layout->addWidget(&other);
        layout->addWidget(&view, 1);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    QColor pixelAtRow(int row)
    {
        const QImage image = view.viewport()->grab().toImage();
        const int pitch = view.verticalHeader()->defaultSectionSize();
        return image.pixelColor(1, row * pitch + pitch / 2);
    }

    static inline const QColor kStandard{250, 250, 250};
    static inline const QColor kAlternate{200, 220, 240};
    QTemporaryDir m_dir{QDir(mivtest::TestEnvironment::root()).filePath(QStringLiteral("pict-XXXXXX"))};
    QWidget window;
    QLineEdit other;
    MivFilesTableDataController model;
    MivFilesTableView view;
};

TEST_F(FilesTablePictureTest, StripesGoOnBelowTheLastRow)
{
    ASSERT_EQ(model.rowCount(), 3);
    const int visibleRows = view.viewport()->height() / view.verticalHeader()->defaultSectionSize();
    ASSERT_GT(visibleRows, 6);
    for (int row = 0; row < visibleRows; ++row)
        EXPECT_EQ(pixelAtRow(row), row % 2 == 0 ? kAlternate : kStandard) << row;

    view.setAlternateBackgroundColor(QColor());
    for (int row = 0; row < visibleRows; ++row)
        EXPECT_EQ(pixelAtRow(row), kStandard) << row;
}

TEST_F(FilesTablePictureTest, AnInactiveTableShowsNoHighlight)
{
    view.gotoElement(1);
    other.setFocus();
    ASSERT_TRUE(mivtest::waitUntil([&] { return other.hasFocus(); }));
    EXPECT_EQ(pixelAtRow(1), kStandard);

    view.setFocus();
    ASSERT_TRUE(mivtest::waitUntil([&] { return view.hasFocus(); }));
    const QColor highlight = view.palette().color(QPalette::Active, QPalette::Highlight);
    EXPECT_EQ(pixelAtRow(1), highlight);
    EXPECT_EQ(pixelAtRow(0), kAlternate);

    // Unless the settings ask to keep it.
    MivContext::context()->setShowHighlightOnInactive(true);
    other.setFocus();
    ASSERT_TRUE(mivtest::waitUntil([&] { return other.hasFocus(); }));
    EXPECT_EQ(pixelAtRow(1), view.palette().color(QPalette::Inactive, QPalette::Highlight));
}

TEST_F(FilesTablePictureTest, FoldersAreBoldWhenTheSettingsSaySo)
{
    MivContext::context()->setBoldFolders(true);
    const MivFileDataPtr folder = model.dataObjectAtIndex(0);
    ASSERT_TRUE(folder->isFolder()) << "folders sort first";
    EXPECT_TRUE(MivTextCellDelegate::cellFont(view.font(), folder.get()).bold());
    EXPECT_FALSE(MivTextCellDelegate::cellFont(view.font(), model.dataObjectAtIndex(1).get()).bold());
    MivContext::context()->setBoldFolders(false);
    EXPECT_FALSE(MivTextCellDelegate::cellFont(view.font(), folder.get()).bold());
}

} // namespace
