#include "../settings/SettingsTestSupport.h"

#include "app/panel/MivFileSearchField.h"
#include "app/settings/MivContext.h"
#include "app/settings/MivUserDefaults.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QSignalSpy>

#include <memory>

namespace {

class MivFileSearchFieldTest : public mivtest::SettingsTest
{
protected:
    void SetUp() override
    {
        SettingsTest::SetUp();
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char name[] = "mivo_app_tests";
            static char* argv[] = {name, nullptr};
            m_app = std::make_unique<QApplication>(argc, argv);
        }
        QFile::remove(MivUserDefaults::pathForDefaultsFile());
        MivUserDefaults::standardUserDefaults().resetForTesting();
    }
    void TearDown() override
    {
        MivUserDefaults::standardUserDefaults().resetForTesting();
        QFile::remove(MivUserDefaults::pathForDefaultsFile());
        m_app.reset();
        SettingsTest::TearDown();
    }

    static QAction* itemWithTag(MivFileSearchField& field, int tag)
    {
        for (QAction* action : field.searchMenu()->actions()) {
            if (action->isCheckable() && action->data().toInt() == tag)
                return action;
        }
        return nullptr;
    }
    static QStringList titles(MivFileSearchField& field)
    {
        QStringList result;
        for (QAction* action : field.searchMenu()->actions())
            result.append(action->isSeparator() ? QStringLiteral("-") : action->text().trimmed());
        return result;
    }

    std::unique_ptr<QApplication> m_app;
};

TEST_F(MivFileSearchFieldTest, StartsWithTheLastModeChosen)
{
    MivContext::context()->setLastFilterOperation(2003);
    EXPECT_EQ(MivFileSearchField().selectedItemTag(), 2003);
    MivContext::context()->setLastFilterOperation(0);
    MivFileSearchField field;
    EXPECT_EQ(field.selectedItemTag(), 2001);
    EXPECT_TRUE(itemWithTag(field, 2001)->isChecked());
    EXPECT_EQ(titles(field), (QStringList{"Filter", "RegExp - name matches expression", "Textual - name contains term",
                                          "Textual - name starts with term",
                                          "Textual - name matches term (*,? allowed)", "Textual - name ends with term"}));
}

TEST_F(MivFileSearchFieldTest, ChoosingAnotherModeFiltersAgainAndRemembersTheText)
{
    MivFileSearchField field;
    field.setText(QStringLiteral("txt"));
    QSignalSpy requested(&field, &MivFileSearchField::searchRequested);

    itemWithTag(field, 2001)->trigger();  // the mode in force
    EXPECT_TRUE(requested.isEmpty());
    EXPECT_TRUE(itemWithTag(field, 2001)->isChecked());
    EXPECT_TRUE(field.recentSearches().isEmpty());

    itemWithTag(field, 2004)->trigger();
    EXPECT_EQ(requested.size(), 1);
    EXPECT_EQ(field.selectedItemTag(), 2004);
    EXPECT_EQ(MivContext::context()->lastFilterOperation(), 2004);
    EXPECT_FALSE(itemWithTag(field, 2001)->isChecked());
    EXPECT_EQ(field.request().option(), 2004);
    EXPECT_EQ(field.request().phrase(), QStringLiteral("txt"));
    EXPECT_EQ(field.recentSearches(), QStringList{"txt"});
    EXPECT_TRUE(titles(field).contains(QStringLiteral("Recent Searches")));

    // Recents are in the user defaults file, not only in this field.
    MivUserDefaults::standardUserDefaults().resetForTesting();
    EXPECT_EQ(MivFileSearchField().recentSearches(), QStringList{"txt"});
}

TEST_F(MivFileSearchFieldTest, RecentsMoveToTheFrontWithoutDuplicatesAndStayBounded)
{
    MivFileSearchField field;
    for (int i = 0; i < MivFileSearchField::kMaximumRecents + 3; ++i) {
        field.setText(QStringLiteral("q%1").arg(i));
        field.updateRecents();
    }
    field.setText(QStringLiteral("q5"));
    field.updateRecents();
    field.setText(QString());
    field.updateRecents();
    const QStringList recents = field.recentSearches();
    ASSERT_EQ(recents.size(), MivFileSearchField::kMaximumRecents);
    EXPECT_EQ(recents.first(), QStringLiteral("q5"));
    EXPECT_EQ(recents.count(QStringLiteral("q5")), 1);
    EXPECT_EQ(recents.at(1), QStringLiteral("q12"));
}

TEST_F(MivFileSearchFieldTest, ShowingARequestAsksForNothing)
{
    MivFileSearchField field;
    QSignalSpy requested(&field, &MivFileSearchField::searchRequested);
    const MivFilteSearchData request(QStringLiteral("a*"), 2003);
    field.updateData(&request);
    EXPECT_EQ(field.text(), QStringLiteral("a*"));
    EXPECT_EQ(field.selectedItemTag(), 2003);
    field.updateData(nullptr);
    EXPECT_EQ(field.text(), QString());
    EXPECT_EQ(field.selectedItemTag(), 2003);
    EXPECT_TRUE(requested.isEmpty());
    field.setText(QStringLiteral("typed"));
    EXPECT_EQ(requested.size(), 1);
}

} // namespace
