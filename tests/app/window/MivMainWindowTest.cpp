#include "support/WaitUntil.h"

#include "app/window/IMivMainWindowDelegate.h"
#include "app/window/MivMainWindow.h"
#include "app/window/MivWindowControlKeys.h"
#include "platform/NotificationCenter.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

struct RecordingDelegate : IMivMainWindowDelegate
{
    bool closeQuickViewPanel() override
    {
        ++asked;
        return quickViewOpen;
    }
    int asked = 0;
    bool quickViewOpen = false;
};

// A main window with a menu, a text field and a second focusable widget,
// shown and active.
class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto* content = new QWidget(&window);
        auto* rows = new QVBoxLayout(content);
        field = new QLineEdit(content);
        field->setObjectName(QStringLiteral("field"));
        other = new QLineEdit(content);
        other->setObjectName(QStringLiteral("other"));
        rows->addWidget(field);
        rows->addWidget(other);
        window.setCentralWidget(content);
        QMenu* view = window.menuBar()->addMenu(QStringLiteral("View"));
        QMenu* sub = view->addMenu(QStringLiteral("Preview"));
        quickLook = sub->addAction(QStringLiteral("Quick Look"));
        QObject::connect(quickLook, &QAction::triggered, [this] { ++quickLooks; });
        window.setWindowDelegate(&delegate);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(mivtest::waitUntil([&] { return window.isActiveWindow(); }));
        focus(field);
    }
    void focus(QWidget* widget)
    {
        widget->setFocus(Qt::OtherFocusReason);
        ASSERT_TRUE(mivtest::waitUntil([&] { return QApplication::focusWidget() == widget; }));
    }

    MivMainWindow window;
    RecordingDelegate delegate;
    QLineEdit* field = nullptr;
    QLineEdit* other = nullptr;
    QAction* quickLook = nullptr;
    int quickLooks = 0;
};

TEST_F(MainWindowTest, FocusMovesAreAnnouncedWithTheNewResponder)
{
    QStringList responders;
    const auto token = plat::NotificationCenter::defaultCenter().observe(
        QString::fromLatin1(ksFistResponderWillChangeNotification), &window, [&](const plat::Notification& n) {
            auto* responder = n.userInfo.value(QStringLiteral("responder")).value<QObject*>();
            responders << (responder ? responder->objectName() : QStringLiteral("none"));
        });
    focus(other);
    focus(field);
    // The focus leaving the window's widgets names no responder.
    QWidget stranger;
    stranger.show();
    stranger.activateWindow();
    stranger.setFocus();
    ASSERT_TRUE(mivtest::waitUntil([&] { return QApplication::focusWidget() == &stranger; }));
    EXPECT_EQ(responders, (QStringList{"other", "field", "none"}));
}

TEST_F(MainWindowTest, SpaceBarRunsTheMenuCommandThatHasIt)
{
    struct Case
    {
        const char* what;
        QKeySequence key;
        bool enabled;
        Qt::KeyboardModifiers pressed;
        int runs;
        QString typed;
    };
    const Case cases[] = {
        // The text field would take the space; the menu command wins.
        {"space is the command's key", QKeySequence(Qt::Key_Space), true, Qt::NoModifier, 1, ""},
        {"shift-space is the command's key", QKeySequence(Qt::SHIFT | Qt::Key_Space), true, Qt::ShiftModifier, 1, ""},
        {"another stroke is the key", QKeySequence(Qt::SHIFT | Qt::Key_Space), true, Qt::NoModifier, 0, " "},
        {"no command has space", QKeySequence(Qt::Key_F3), true, Qt::NoModifier, 0, " "},
        {"the command is disabled", QKeySequence(Qt::Key_Space), false, Qt::NoModifier, 0, " "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        quickLook->setShortcut(c.key);
        quickLook->setEnabled(c.enabled);
        field->clear();
        quickLooks = 0;
        QTest::keyClick(field, Qt::Key_Space, c.pressed);
        EXPECT_EQ(quickLooks, c.runs);
        EXPECT_EQ(field->text(), c.typed);
    }
}

TEST_F(MainWindowTest, EscapeClosesTheQuickViewOnlyWhenNoWidgetTookIt)
{
    // A widget that ignores Escape passes it to the window.
    QWidget* plain = new QWidget(window.centralWidget());
    plain->setFocusPolicy(Qt::StrongFocus);
    window.centralWidget()->layout()->addWidget(plain);
    focus(plain);
    for (bool open : {false, true}) {
        SCOPED_TRACE(open);
        delegate.asked = 0;
        delegate.quickViewOpen = open;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b"));
        QApplication::sendEvent(plain, &press);
        EXPECT_EQ(delegate.asked, 1);
        EXPECT_EQ(press.isAccepted(), open);
    }
    // Without a delegate Escape takes the normal road.
    window.setWindowDelegate(nullptr);
    delegate.asked = 0;
    QTest::keyClick(plain, Qt::Key_Escape);
    EXPECT_EQ(delegate.asked, 0);
}

} // namespace
