#include "support/WaitUntil.h"
#include "support/widgets/PresetAlertResponder.h"

#include "app/alerts/MivAlert.h"
#include "app/alerts/MivAlertUtils.h"
#include "app/views/MivViewServices.h"

#include "FileData/MivErrorPresenter.h"

#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace {

TEST(MivAlert, ButtonsAnswerInTheOrderTheyWereAdded)
{
    struct Case
    {
        int pressed;
        int expected;
    };
    for (const Case& c : {Case{0, 1000}, Case{1, 1001}, Case{2, 1002}}) {
        mivtest::PresetAlertResponder responder;
        responder.pressButton(c.pressed);
        std::unique_ptr<MivAlert> alert(MivAlertUtils::alertWithMessageText(
            QStringLiteral("Replace?"), QStringLiteral("Replace"), QStringLiteral("Skip"), QStringLiteral("Stop"),
            QStringLiteral("It exists")));
        EXPECT_EQ(alert->runModal(), c.expected) << c.pressed;
        ASSERT_EQ(responder.seen().size(), 1u);
        EXPECT_EQ(responder.seen()[0].buttons,
                  (QStringList{QStringLiteral("Replace"), QStringLiteral("Skip"), QStringLiteral("Stop")}));
        EXPECT_TRUE(responder.seen()[0].texts.contains(QStringLiteral("Replace?")));
        EXPECT_TRUE(responder.seen()[0].texts.contains(QStringLiteral("It exists")));
    }
}

TEST(MivAlert, NullTitlesAddNoButton)
{
    std::unique_ptr<MivAlert> alert(MivAlertUtils::alertWithMessageText(QStringLiteral("m"), QStringLiteral("One"),
                                                                        QString(), QStringLiteral("Three"), QString()));
    ASSERT_EQ(alert->buttons().size(), 2);
    EXPECT_EQ(alert->buttons()[1]->text(), QStringLiteral("Three"));
}

TEST(MivAlert, YesNoRunnerAnswers1000And1001FromTheMainThreadAndFromAWorker)
{
    mivtest::PresetAlertResponder responder;
    responder.pressButtonTitled(QStringLiteral("YES")).pressButtonTitled(QStringLiteral("NO"));
    EXPECT_EQ(MivAlertUtils::runYesNoAlertWithMessage(QStringLiteral("Delete?"), QStringLiteral("x"), QString()), 1000);

    // A worker waits while the main thread shows the alert.
    std::atomic<int> answer{0};
    std::thread worker([&answer] {
        answer = MivAlertUtils::runYesNoAlertWithMessage(QStringLiteral("Delete?"), QStringLiteral("y"), QString());
    });
    EXPECT_TRUE(mivtest::waitUntil([&] { return answer.load() != 0; }));
    worker.join();
    EXPECT_EQ(answer.load(), 1001);
    EXPECT_EQ(responder.unused(), 0);
}

TEST(MivAlert, InputFieldAlertReturnsTheTypedText)
{
    mivtest::PresetAlertResponder responder;
    responder.pressButton(0, QStringLiteral("new name.txt"));
    std::unique_ptr<MivAlert> alert(
        MivAlertUtils::makeOKCancelAlertWithMessage(QStringLiteral("Rename"), QStringLiteral("to"), QStringLiteral("old.txt")));
    auto* field = qobject_cast<QLineEdit*>(alert->accessoryView());
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->text(), QStringLiteral("old.txt"));
    EXPECT_EQ(field->selectedText(), QStringLiteral("old.txt"));
    EXPECT_EQ(alert->runModal(), MivAlert::kFirstButtonReturn);
    EXPECT_EQ(MivAlertUtils::inputStringOf(alert.get()), QStringLiteral("new name.txt"));
}

TEST(MivAlert, ReturnPressesTheFirstButtonAndEscapeTheSecond)
{
    std::unique_ptr<MivAlert> alert(MivAlertUtils::makeAlertWithMessage(
        QStringLiteral("m"), QStringLiteral("i"), QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"),
        QStringLiteral("input")));
    EXPECT_EQ(alert->returnButton(), 0);
    EXPECT_EQ(alert->escapeButton(), 1);
    EXPECT_EQ(alert->alertStyle(), MivAlert::Style::Warning);

    for (const auto& [key, expected] : {std::pair{Qt::Key_Return, 1000}, std::pair{Qt::Key_Escape, 1001}}) {
        alert->open();
        QTest::keyClick(alert.get(), key);
        EXPECT_FALSE(alert->isVisible());
        EXPECT_EQ(alert->result(), expected);
    }

    // Without an Escape button and with a choice to make, Escape is ignored.
    std::unique_ptr<MivAlert> choice(MivAlertUtils::alertWithMessageText(QStringLiteral("m"), QStringLiteral("A"),
                                                                         QStringLiteral("B"), QString(), QString()));
    choice->open();
    QTest::keyClick(choice.get(), Qt::Key_Escape);
    EXPECT_TRUE(choice->isVisible());
    choice->done(0);
}

TEST(MivAlert, SheetRunsItsCompletionWithThePressedButton)
{
    mivtest::PresetAlertResponder responder;
    responder.pressButton(1);
    QMainWindow window;
    window.show();
    auto* alert = MivAlertUtils::makeYesNoAlertWithMessage(QStringLiteral("Sure?"), QString(), QString());
    int answer = 0;
    alert->beginSheetModalForWindow(&window, [&answer](int code) { answer = code; });
    EXPECT_TRUE(mivtest::waitUntil([&] { return answer != 0; }));
    EXPECT_EQ(answer, 1001);
    ASSERT_EQ(responder.seen().size(), 1u);
    EXPECT_TRUE(responder.seen()[0].windowModal);
    delete alert;
}

TEST(MivAlert, InstalledErrorAlertShowsTheDescriptionAndReturnsWhenDismissed)
{
    installViewServices();
    mivtest::PresetAlertResponder responder;
    responder.pressButton(0).pressButton(0);
    MivErrorPresenter::presentErrorWithCode(-31, QStringLiteral("File with name 'a' already exists in current folder"));
    ASSERT_EQ(responder.seen().size(), 1u);
    EXPECT_TRUE(responder.seen()[0].texts.contains(QStringLiteral("File with name 'a' already exists in current folder")));

    // From a worker: it waits there until the alert is gone.
    std::atomic<bool> returned{false};
    std::thread worker([&returned] {
        MivErrorPresenter::presentErrorWithCode(-32, QStringLiteral("Cannot create folder with empty name"));
        returned = true;
    });
    EXPECT_TRUE(mivtest::waitUntil([&] { return returned.load(); }));
    worker.join();
    EXPECT_EQ(responder.seen().size(), 2u);
    MivErrorPresenter::setPresentationHandler({});
}

} // namespace
