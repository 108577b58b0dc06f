#include "SettingsTestSupport.h"

#include "platform/NotificationCenter.h"

#include <QStringList>

#include <thread>
#include <vector>

namespace {

using mivtest::SettingsTest;

class MivContextTest : public SettingsTest
{
};

// Counts the notifications the context posts, by name.
class Recorder
{
public:
    explicit Recorder(const void* sender)
        : m_token(plat::NotificationCenter::defaultCenter().observe(QString(), sender, [this](const plat::Notification& n) {
              m_names.append(n.name);
          }))
    {
    }
    QStringList take() { return std::exchange(m_names, {}); }

private:
    QStringList m_names;
    plat::NotificationToken m_token;
};

TEST_F(MivContextTest, ANewContextHasTheDefaults)
{
    const auto c = MivContext::create();
    EXPECT_EQ(c->dualMode(), 3);
    EXPECT_TRUE(c->dualVertical());
    EXPECT_FALSE(c->sideBarVisible());
    EXPECT_EQ(c->dividerThicknes(), 1);
    EXPECT_EQ(c->sidebarIconsSize(), QVariant(qint64(1)));
    EXPECT_EQ(c->maxHistoryEntries(), 20);
    EXPECT_EQ(c->tabStyle(), QStringLiteral("FinderLike"));
    EXPECT_EQ(c->tabConstantSize(), 200);
    EXPECT_EQ(c->openTabPlacementOption(), 1);
    EXPECT_EQ(c->fontSize(), QVariant(qint64(12)));
    EXPECT_FALSE(c->fontName().isEmpty());
    EXPECT_FALSE(c->editorFontName().isEmpty());
    EXPECT_EQ(c->dateFormat(), QStringLiteral("dd/MM/yy HH:mm:ss"));
    EXPECT_EQ(c->sizeDisplayFormat(), 4);
    EXPECT_EQ(c->fileSizeCalculationFormat(), 1024);
    EXPECT_EQ(c->lastFilterOperation(), 2001);
    EXPECT_EQ(c->maxSimultaneousTransfers(), 2);
    EXPECT_EQ(c->newFileEncoding(), 4u);
    EXPECT_TRUE(c->showLabelAsCircle());
    EXPECT_TRUE(c->dirCountInFooter());
    EXPECT_TRUE(c->doCopyPermissions());
    EXPECT_TRUE(c->enableGIT());
    EXPECT_FALSE(c->enableSVN());
    EXPECT_FALSE(c->textWrap());
    EXPECT_FALSE(c->lineNoView());
    EXPECT_EQ(c->compressorOption(), QStringLiteral(""));
    EXPECT_FALSE(c->compressorOption().isNull());
    EXPECT_TRUE(c->svnVersion().isNull()) << "no Subversion client plug-in is installed";
    EXPECT_FALSE(c->extEditors().isValid());
    EXPECT_TRUE(c->dict().isEmpty());
    ASSERT_TRUE(c->left());
    ASSERT_TRUE(c->right());
    EXPECT_NE(c->left(), c->right());
    EXPECT_FALSE(c->lightColors()) << "schemes are made by initContext";
    c->initContext();
    ASSERT_TRUE(c->lightColors());
    EXPECT_EQ(c->lightColors()->value(QStringLiteral("colorArray")).toList().size(), 13);
    EXPECT_EQ(c->darkColors()->value(QStringLiteral("colorArray")).toList().size(), 13);
}

TEST_F(MivContextTest, SettersPostTheirNotificationsOnly)
{
    const auto c = MivContext::create();
    Recorder recorder(c.get());
    struct Case
    {
        std::function<void()> set;
        const char* posted;
    };
    const Case cases[] = {
        {[&] { c->setFontSize(QVariant(13)); }, "FontPreferencesChangeNotification"},
        {[&] { c->setDateFormat(QStringLiteral("yyyy")); }, "FontPreferencesChangeNotification"},
        {[&] { c->setTableRowHeightMargin(2); }, "FontPreferencesChangeNotification"},
        {[&] { c->setAlternate(true); }, "FileTablePreferencesChangeNotification"},
        {[&] { c->setCaseSensitiveNameSorting(true); }, "FileTablePreferencesChangeNotification"},
        {[&] { c->setTreatPackagesAsFolders(true); }, "FileTablePreferencesChangeNotification"},
        {[&] { c->setShowParentDir(false); }, "FileTableRefreshPreferencesChangeNotification"},
        {[&] { c->setIconPreview(true); }, "FileTableRefreshPreferencesChangeNotification"},
        {[&] { c->setShowLabelAsCircle(false); }, "FileTableRefreshPreferencesChangeNotification"},
        {[&] { c->setDualVertical(false); }, "PanelStructureChangedNotification"},
        {[&] { c->setDividerThicknes(2); }, "PanelStructureChangedNotification"},
        {[&] { c->setSidebarIconsSize(QVariant(2)); }, "SidebarPreferencesChangeNotification"},
        {[&] { c->setTabStyle(QStringLiteral("Card")); }, "TabsPreferencesChangeNotification"},
        {[&] { c->setTabVariableSize(true); }, "TabsPreferencesChangeNotification"},
        {[&] { c->setMaxHistoryEntries(5); }, nullptr},
        {[&] { c->setConfirmCopy(false); }, nullptr},
        {[&] { c->setDualMode(1); }, nullptr},
        {[&] { c->setOpenTabPlacementOption(2); }, nullptr},
        {[&] { c->setHideTitlebar(true); }, nullptr},
    };
    for (const Case& test : cases) {
        test.set();
        const QStringList posted = recorder.take();
        if (test.posted)
            EXPECT_EQ(posted, QStringList{QString::fromLatin1(test.posted)});
        else
            EXPECT_TRUE(posted.isEmpty()) << posted.join(u',').toStdString();
    }
}

TEST_F(MivContextTest, SmallOperations)
{
    const auto c = MivContext::create();
    Recorder recorder(c.get());
    c->setDualMode(3);
    c->toggleDualMode();
    EXPECT_EQ(c->dualMode(), 0);
    c->toggleDualMode();
    EXPECT_EQ(c->dualMode(), 1);
    c->setDualMode(9);
    c->toggleDualMode();
    EXPECT_EQ(c->dualMode(), 0);
    EXPECT_EQ(recorder.take().size(), 3);

    const std::pair<QVariant, int> sizes[] = {{QVariant(), 1}, {0, 2}, {1, 1}, {2, 0}, {7, 1}, {QStringLiteral("2"), 1}};
    for (const auto& [size, control] : sizes) {
        c->setSidebarIconsSize(size);
        EXPECT_EQ(c->sidebarControlSize(), control) << size.toString().toStdString();
    }

    auto sort = c->caseSensitiveNameSortDescriptorForColumn(QStringLiteral("name"));
    EXPECT_EQ(sort.key, QStringLiteral("name"));
    EXPECT_TRUE(sort.ascending);
    EXPECT_GT(sort.compare(QStringLiteral("a10"), QStringLiteral("a9")), 0);
    c->setCaseSensitiveNameSorting(true);
    sort = c->caseSensitiveNameSortDescriptorForColumn(QStringLiteral("name"));
    EXPECT_LT(sort.compare(QStringLiteral("a10"), QStringLiteral("a9")), 0);

    c->setDictObject(QVariant(), QStringLiteral("k"));
    c->setDictObject(1, QString());
    EXPECT_TRUE(c->dict().isEmpty());
    c->setDictObject(1, QStringLiteral("k"));
    EXPECT_EQ(c->dict().value(QStringLiteral("k")), QVariant(1));

    c->setTableRowHeightMargin(3);
    MivContext::load(c);
    EXPECT_EQ(MivContext::updateCellMargin(QRectF(1, 2, 30, 40)), QRectF(1, 5, 30, 34));
}

TEST_F(MivContextTest, TheSharedInstanceIsMadeOnceAndReplacedByLoad)
{
    const auto first = MivContext::context();
    EXPECT_EQ(MivContext::context(), first);
    EXPECT_TRUE(first->lightColors()) << "initContext ran";
    EXPECT_EQ(MivFileDataHelpers::fileDataPropertiesProvider(), first);

    const auto decoded = MivContext::create();
    MivContext::load(decoded);
    EXPECT_EQ(MivContext::context(), decoded);
    EXPECT_EQ(MivFileDataHelpers::fileDataPropertiesProvider(), decoded);
    EXPECT_EQ(MivFileDataHelpers::fileDataGuiHandler(), decoded);

    // The file layer reads the same settings through its interface.
    decoded->setDateFormat(QStringLiteral("yyyy"));
    decoded->setFoldersFirst(false);
    decoded->setFileSizeCalculationFormat(1000);
    const auto provider = MivFileDataHelpers::fileDataPropertiesProvider();
    EXPECT_EQ(provider->dateFormat(), QStringLiteral("yyyy"));
    EXPECT_FALSE(provider->foldersFirst());
    EXPECT_EQ(provider->fileSizeCalculationFormat(), 1000);
    provider->setDictObject(QStringLiteral("v"), QStringLiteral("k"));
    EXPECT_EQ(decoded->dict().value(QStringLiteral("k")), QVariant(QStringLiteral("v")));
}

TEST_F(MivContextTest, CommonFavouritesGiveEachSideItsOwnCopy)
{
    const auto c = MivContext::create();
    MivFavsEntryData fav;
    fav.setUrl(QUrl(QStringLiteral("file:///tmp")));
    fav.setLabel(QStringLiteral("tmp"));
    MivContextEntry source;
    source.favs().append(fav);

    c->setCommonFavs(false);
    c->updateFavsFromEntry(source);
    EXPECT_TRUE(c->left()->favs().isEmpty());

    c->setCommonFavs(true);
    c->updateFavsFromEntry(source);
    ASSERT_EQ(c->left()->favs().size(), 1);
    EXPECT_EQ(c->left()->favs(), c->right()->favs());
    c->left()->favs().append(fav);
    EXPECT_EQ(c->right()->favs().size(), 1);
}

} // namespace

namespace {

TEST_F(MivContextTest, FirstCallersFromManyThreadsShareOneInstance)
{
    std::vector<std::shared_ptr<MivContext>> seen(8);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, i] { seen[i] = MivContext::context(); });
    for (auto& thread : threads)
        thread.join();
    for (const auto& context : seen)
        EXPECT_EQ(context, MivContext::context());
}

} // namespace
