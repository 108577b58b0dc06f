#include "SettingsTestSupport.h"

#include "app/colors/MivColorDef.h"
#include "app/settings/MivArchiveCoding.h"
#include "app/settings/MivDefaultColorRules.h"
#include "platform/KeyedArchive.h"
#include "platform/KeyedArchiver.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "support/ScopedTmpfs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using mivtest::SettingsTest;

class MivContextArchiveTest : public SettingsTest
{
protected:
    static std::shared_ptr<MivContext> roundTrip(const MivContext& context)
    {
        plat::Error error;
        const auto xml = plat::KeyedArchive::toXml(context.encodeWithCoder(), &error);
        EXPECT_TRUE(xml) << error.description().toStdString();
        const auto root = plat::KeyedArchive::fromXml(xml.value_or(QByteArray()), &error);
        EXPECT_TRUE(root) << error.description().toStdString();
        return root ? MivContext::initWithCoder(*root) : nullptr;
    }

    // An archive holding only the given keys, as an older program wrote.
    static std::shared_ptr<MivContext> decode(const std::function<void(plat::KeyedArchiver&)>& keys)
    {
        plat::KeyedArchiver coder(QStringLiteral("MivContext"));
        keys(coder);
        return MivContext::initWithCoder(coder.object());
    }

    static QString anyInstalledFont()
    {
        for (const char* family : {"DejaVu Sans Mono", "DejaVu Sans", "Liberation Mono", "Noto Sans Mono"}) {
            if (MivContext::fontExists(QString::fromLatin1(family)))
                return QString::fromLatin1(family);
        }
        return QString();
    }
};

const char* const kKeys[] = {
    "isFullScreen", "svnVersion", "hideTitlebar", "showSquareBrackets", "showParentDir", "tableRowHeightMargin",
    "lastFilterOperation", "openTabPlacementOption", "overwriteOption", "compressorOption", "enableSVN", "enableGIT",
    "calculateAllSizes", "useTrash", "useLocalizedNames", "dontShowFullDiskAccessInfo", "dirCountInFooter", "opersOnDock",
    "panelAnimation", "synchPanelTablesSettings", "openTabAnimation", "confirmCopy", "confirmDelete", "doInBackground",
    "doMergeFolders", "doCopyPermissions", "tools", "colors", "dark-colors", "alternate", "tabConstantSize", "tabStyle",
    "maxHistoryEntries", "tabVariableSize", "commonFavs", "addOpenedDocumentsToRecent", "commonHistory", "showHighlight",
    "horizontalGrid", "verticalGrid", "dualVertical", "boldFolders", "foldersAlwaysByName", "showLabelAsCircle",
    "foldersFirst", "packagesFirst", "iconPreview", "caseSensitiveNameSorting", "fileSizeCalculationFormat", "permsFormat",
    "defEnc", "othEnc", "extOption", "extEditors", "extPath", "extViewOption", "extViewPath", "fontSize", "fontName",
    "dateFormat", "editorFontSize", "editorFontName", "left", "right", "sideBar", "statusBar", "commandLine", "actionBar",
    "dualMode2", "maxSimultaneousTransfers", "startPausedFileOperations", "queueFileOperations", "tableHighlight",
    "dividerThicknes", "sizeDisplayFormat", "textWrap", "lineNoView", "dictionary", "sandboxCtx", "sideBarIconsSize",
    "otherShortcuts", "treatPckgAsFld", "quickSearchBeginning", "quickSearchEnding", "quickSearchOption",
};

// Every property away from its default, so a key that is not written or
// not read shows.
std::shared_ptr<MivContext> changedContext(const QString& font)
{
    auto c = MivContext::create();
    c->initContext();
    c->setIsFullScreen(true);
    c->setSvnVersion(QStringLiteral("svn-1.14"));
    c->setHideTitlebar(true);
    c->setShowSquareBrackets(true);
    c->setShowParentDir(false);
    c->setTableRowHeightMargin(3);
    c->setLastFilterOperation(2004);
    c->setOpenTabPlacementOption(2);
    c->setOverwriteOption(4);
    c->setCompressorOption(QStringLiteral("zip"));
    c->setEnableSVN(true);
    c->setEnableGIT(false);
    c->setCalculateAllSizes(true);
    c->setUseTrash(false);
    c->setUseLocalizedNames(true);
    c->setDontShowFullDiskAccessInfo(true);
    c->setDirCountInFooter(false);
    c->setOpersOnDock(true);
    c->setPanelAnimation(false);
    c->setSynchPanelTablesSettings(false);
    c->setOpenTabAnimation(true);
    c->setConfirmCopy(false);
    c->setConfirmDelete(false);
    c->setDoInBackground(true);
    c->setDoMergeFolders(true);
    c->setDoCopyPermissions(false);
    MivToolDef tool;
    tool.name = QStringLiteral("grep");
    tool.path = QStringLiteral("/usr/bin/grep");
    tool.params = QList<MivToolParamDef>{{QStringLiteral("-r")}, {QStringLiteral("${source selected paths}")}};
    tool.shortcut = MivToolShortcut{5, 0x100000};
    tool.runAsOption = 2;
    c->setTools({tool, MivToolDef()});
    QVariantMap light = *c->lightColors();
    light.insert(QStringLiteral("negativeSelection"), true);
    c->setLightColors(light);
    QVariantMap dark = *c->darkColors();
    dark.insert(QStringLiteral("markColor"), QVariant::fromValue(plat::Color::fromRgba(QColor(1, 2, 3))));
    c->setDarkColors(dark);
    c->setAlternate(true);
    c->setTabConstantSize(150);
    c->setTabStyle(QStringLiteral("Card"));
    c->setMaxHistoryEntries(7);
    c->setTabVariableSize(true);
    c->setCommonFavs(false);
    c->setAddOpenedDocumentsToRecent(false);
    c->setCommonHistory(false);
    c->setShowHighlightOnInactive(true);
    c->setShowHorizontalGrid(true);
    c->setShowVerticalGrid(true);
    c->setDualVertical(false);
    c->setBoldFolders(true);
    c->setFoldersAlwaysByName(true);
    c->setShowLabelAsCircle(false);
    c->setFoldersFirst(false);
    c->setPackagesFirst(false);
    c->setIconPreview(true);
    c->setCaseSensitiveNameSorting(true);
    c->setFileSizeCalculationFormat(1000);
    c->setPermissionFormat(2);
    c->setNewFileEncoding(0x80000000u | 0x0201u);
    c->setCannotGuesEncoding(30);
    c->setExtEditorOption(1);
    c->setExtEditors(QVariantList{QVariantMap{{QStringLiteral("exts"), QStringLiteral("txt,md")},
                                              {QStringLiteral("appPath"), QStringLiteral("/usr/bin/gedit")},
                                              {QStringLiteral("viewEnabled"), qint64(0)},
                                              {QStringLiteral("editEnabled"), qint64(1)}}});
    c->setExtEditorPath(QStringLiteral("/usr/bin/vim"));
    c->setExtViewOption(1);
    c->setExtViewPath(QStringLiteral("/usr/bin/less"));
    c->setFontSize(QVariant(qint64(14)));
    c->setFontName(font);
    c->setDateFormat(QStringLiteral("yyyy-MM-dd"));
    c->setEditorFontSize(QVariant(10.5));
    c->setEditorFontName(font);
    c->left()->setShowHidden(true);
    c->left()->history().append(QUrl(QStringLiteral("file:///tmp/caf%E9")));
    c->right()->setSelectedItem(2);
    c->setSideBarVisible(true);
    c->setStatusBarVisible(false);
    c->setCommandLineVisible(false);
    c->setActionBarVisible(false);
    c->setDualMode(1);
    c->setMaxSimultaneousTransfers(5);
    c->setStartPausedFileOperations(true);
    c->setQueueFileOperations(true);
    c->setTableHighlight(2);
    c->setDividerThicknes(3);
    c->setSizeDisplayFormat(1);
    c->setTextWrap(true);
    c->setLineNoView(true);
    c->setDictObject(QStringLiteral("YES"), QStringLiteral("migrated_1.13.4"));
    c->setDictObject(QVariantList{1, QStringLiteral("two")}, QStringLiteral("dialog.last"));
    c->setSandboxContext(QStringLiteral("/home/user"));
    c->setSidebarIconsSize(QVariant(qint64(2)));
    c->setShortcuts({{QStringLiteral("goUp"), MivShortcutEntry{QStringLiteral("Up"), 126, 0x100000, 126, 0x100000}}});
    c->setTreatPackagesAsFolders(true);
    c->setQuickSearchBeginning(true);
    c->setQuickSearchEnding(true);
    c->setQuickSearchOption(3);
    return c;
}

TEST_F(MivContextArchiveTest, WritesEveryKeyInOrder)
{
    const auto c = MivContext::create();
    c->setExtEditors(QVariantList{});
    QStringList expected;
    for (const char* key : kKeys)
        expected.append(QString::fromLatin1(key));
    ASSERT_EQ(expected.size(), 85);
    QStringList written;
    for (const auto& entry : c->encodeWithCoder().entries)
        written.append(entry.first);
    EXPECT_EQ(written, expected);

    c->setExtEditors(QVariant());
    written.clear();
    for (const auto& entry : c->encodeWithCoder().entries)
        written.append(entry.first);
    expected.removeAll(QStringLiteral("extEditors"));
    EXPECT_EQ(written, expected) << "the external editors are written only when the list exists";
}

TEST_F(MivContextArchiveTest, EveryKeyRoundTrips)
{
    const QString font = anyInstalledFont();
    if (font.isEmpty())
        GTEST_SKIP() << "no known font family is installed";
    const auto c = changedContext(font);
    const auto back = roundTrip(*c);
    ASSERT_TRUE(back);
#define MIV_EXPECT_SAME(Type, name, setter, initial, notify) \
    EXPECT_EQ(back->name(), c->name()) << #name;
    MIV_CONTEXT_PROPERTIES(MIV_EXPECT_SAME)
#undef MIV_EXPECT_SAME
    EXPECT_EQ(back->svnStatusRecursive(), false);
    EXPECT_EQ(back->enableGIT(), false);
    EXPECT_EQ(back->enableSVN(), true);
    EXPECT_EQ(back->tools(), c->tools());
    EXPECT_EQ(back->lightColors(), c->lightColors());
    EXPECT_EQ(back->darkColors(), c->darkColors());
    EXPECT_EQ(back->dict(), c->dict());
    EXPECT_EQ(back->shortcuts(), c->shortcuts());
    EXPECT_TRUE(back->left()->showHidden());
    EXPECT_EQ(back->left()->history(), c->left()->history());
    EXPECT_EQ(back->right()->selectedItem(), 2);
    EXPECT_EQ(back->tableHighlight(), 2);
}

TEST_F(MivContextArchiveTest, OlderAndIncompleteArchivesLoadByTheRules)
{
    // Nothing at all: defaults, no sides, an empty store, the migration marker.
    const auto empty = decode([](plat::KeyedArchiver&) {});
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->dualMode(), 3);
    EXPECT_FALSE(empty->left()) << "the sides are read without a presence test";
    EXPECT_FALSE(empty->right());
    EXPECT_EQ(empty->dict(), (QVariantMap{{QStringLiteral("migrated_1.13.4"), QStringLiteral("YES")}}));
    EXPECT_FALSE(empty->lightColors()) << "made later by initContext";

    // External editors of the older form become four-key entries.
    const auto old = decode([](plat::KeyedArchiver& c) {
        c.encodeObject(QStringLiteral("extEditors"),
                       QVariantList{QVariantMap{{QStringLiteral("exts"), QStringLiteral("c")},
                                                {QStringLiteral("appPath"), QStringLiteral("/usr/bin/emacs")},
                                                {QStringLiteral("other"), 1}},
                                    QVariantMap{{QStringLiteral("exts"), QStringLiteral("h")}}});
    });
    const QVariantList editors = old->extEditors().toList();
    ASSERT_EQ(editors.size(), 2);
    EXPECT_EQ(editors[0].toMap(), (QVariantMap{{QStringLiteral("exts"), QStringLiteral("c")},
                                               {QStringLiteral("appPath"), QStringLiteral("/usr/bin/emacs")},
                                               {QStringLiteral("viewEnabled"), qint64(1)},
                                               {QStringLiteral("editEnabled"), qint64(1)}}));
    EXPECT_EQ(editors[1].toMap().value(QStringLiteral("editEnabled")), QVariant(qint64(1)));
    const QVariantList current{QVariantMap{{QStringLiteral("exts"), QStringLiteral("c")},
                                           {QStringLiteral("appPath"), QStringLiteral("/a")},
                                           {QStringLiteral("viewEnabled"), qint64(0)},
                                           {QStringLiteral("editEnabled"), qint64(1)}}};
    EXPECT_EQ(decode([&](plat::KeyedArchiver& c) { c.encodeObject(QStringLiteral("extEditors"), current); })->extEditors().toList(),
              current);

    // A font that does not exist keeps both defaults, even with a size.
    const auto fonts = decode([](plat::KeyedArchiver& c) {
        c.encodeObject(QStringLiteral("fontName"), QStringLiteral("No Such Font Family 4711"));
        c.encodeObject(QStringLiteral("fontSize"), QVariant(quint64(30)));
        c.encodeObject(QStringLiteral("editorFontSize"), QVariant(quint64(30)));
    });
    EXPECT_EQ(fonts->fontName(), MivContext::defaultFontFamily());
    EXPECT_EQ(fonts->fontSize(), QVariant(qint64(12)));
    EXPECT_EQ(fonts->editorFontName(), MivContext::defaultFixedFontFamily());
    EXPECT_EQ(fonts->editorFontSize(), QVariant(qint64(12)));

    // A light scheme alone gives an equal, separate dark one.
    QVariantMap light = MivDefaultColorRules::createColorsConfiguration();
    light.insert(QStringLiteral("colorArray"), MivDefaultColorRules::lightRules());
    const auto schemes = decode([&](plat::KeyedArchiver& c) {
        c.encodeObject(QStringLiteral("colors"), MivArchiveCoding::toArchive(light));
        c.encodeObject(QStringLiteral("dictionary"), QVariantMap{{QStringLiteral("migrated_1.13.4"), QStringLiteral("YES")}});
    });
    ASSERT_TRUE(schemes->darkColors());
    EXPECT_EQ(*schemes->darkColors(), *schemes->lightColors());
    QVariantMap changed = *schemes->darkColors();
    changed.insert(QStringLiteral("negativeSelection"), true);
    schemes->setDarkColors(changed);
    EXPECT_EQ(schemes->lightColors()->value(QStringLiteral("negativeSelection")), QVariant(false));

    // Values of the wrong kind are not taken.
    const auto odd = decode([](plat::KeyedArchiver& c) {
        c.encodeObject(QStringLiteral("tabStyle"), QVariant(qint64(3)));
        c.encodeObject(QStringLiteral("defEnc"), QStringLiteral("utf8"));
        c.encodeObject(QStringLiteral("tools"), QStringLiteral("none"));
        c.encodeObject(QStringLiteral("left"), QVariantList{});
    });
    EXPECT_EQ(odd->tabStyle(), QStringLiteral("FinderLike"));
    EXPECT_EQ(odd->newFileEncoding(), 4u);
    EXPECT_TRUE(odd->tools().isEmpty());
    EXPECT_FALSE(odd->left());
}

TEST_F(MivContextArchiveTest, TheMigrationRunsOnce)
{
    QVariantMap custom = MivDefaultColorRules::createColorsConfiguration();
    MivColorDef rule;
    rule.definition = QStringLiteral("*.mine");
    rule.color = plat::Color::fromSystem(plat::SystemColor::SystemBlue);
    custom.insert(QStringLiteral("colorArray"), QVariantList{QVariant::fromValue(rule)});
    const auto archive = [&](bool migrated) {
        plat::KeyedArchiver c(QStringLiteral("MivContext"));
        c.encodeObject(QStringLiteral("tabStyle"), QStringLiteral("Adium"));
        c.encodeObject(QStringLiteral("colors"), MivArchiveCoding::toArchive(custom));
        c.encodeObject(QStringLiteral("dark-colors"), MivArchiveCoding::toArchive(custom));
        if (migrated)
            c.encodeObject(QStringLiteral("dictionary"), QVariantMap{{QStringLiteral("migrated_1.13.4"), QStringLiteral("YES")}});
        return c.object();
    };

    const auto before = MivContext::initWithCoder(archive(false));
    EXPECT_EQ(before->tabStyle(), QStringLiteral("FinderLike"));
    EXPECT_EQ(before->lightColors()->value(QStringLiteral("colorArray")).toList(), MivDefaultColorRules::lightRules());
    EXPECT_EQ(before->darkColors()->value(QStringLiteral("colorArray")).toList(), MivDefaultColorRules::darkRules());
    EXPECT_EQ(before->dict().value(QStringLiteral("migrated_1.13.4")), QVariant(QStringLiteral("YES")));

    // What the migrated context writes carries the marker; the user's later
    // choices then survive the next load.
    before->setTabStyle(QStringLiteral("Adium"));
    before->setLightColors(custom);
    const auto after = MivContext::initWithCoder(before->encodeWithCoder());
    EXPECT_EQ(after->tabStyle(), QStringLiteral("Adium"));
    EXPECT_EQ(after->lightColors()->value(QStringLiteral("colorArray")).toList(), custom.value(QStringLiteral("colorArray")).toList());

    const auto migrated = MivContext::initWithCoder(archive(true));
    EXPECT_EQ(migrated->tabStyle(), QStringLiteral("Adium"));
    EXPECT_EQ(migrated->darkColors()->value(QStringLiteral("colorArray")).toList(), custom.value(QStringLiteral("colorArray")).toList());
}

TEST_F(MivContextArchiveTest, LoadsAndSavesTheFileInTheDataFolder)
{
    const QString path = MivContext::pathForContextDataFile();
    EXPECT_TRUE(path.endsWith(QStringLiteral("/MIVO/mivo-data-demo.plist")));
    EXPECT_TRUE(path.startsWith(qEnvironmentVariable("XDG_DATA_HOME")));
    EXPECT_TRUE(QDir(QFileInfo(path).path()).exists()) << "asking for the path makes the folder";
    QFile::remove(path);

    MivContext::loadContext();
    const auto first = MivContext::context();
    EXPECT_EQ(first->tabStyle(), QStringLiteral("FinderLike"));
    EXPECT_FALSE(QFile::exists(path)) << "nothing is written before a save";
    first->setTabConstantSize(123);
    first->setDictObject(QStringLiteral("v"), QStringLiteral("dialog.key"));
    ASSERT_TRUE(MivContext::saveContext());
    struct stat st {};
    ASSERT_EQ(::stat(plat::Path::toNative(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    MivContext::resetForTesting();
    MivContext::loadContext();
    const auto second = MivContext::context();
    EXPECT_NE(second, first);
    EXPECT_EQ(second->tabConstantSize(), 123);
    EXPECT_EQ(second->dict().value(QStringLiteral("dialog.key")), QVariant(QStringLiteral("v")));
    EXPECT_TRUE(second->lightColors()) << "initContext completed the schemes";

    // An unreadable file is kept aside and the program starts from defaults.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("\0\1garbage", 9);
    file.close();
    MivContext::resetForTesting();
    MivContext::loadContext();
    EXPECT_EQ(MivContext::context()->tabConstantSize(), 200);
    EXPECT_FALSE(QFile::exists(path));
    const QStringList aside = QDir(QFileInfo(path).path()).entryList({QStringLiteral("mivo-data-demo.plist.unreadable-*")});
    EXPECT_EQ(aside.size(), 1);
    for (const QString& name : aside)
        QFile::remove(QFileInfo(path).path() + u'/' + name);
    QFile::remove(path);
}

// Run as a child by the test below: saves a large settings archive over and
// over until it is killed.
TEST(MivContextArchiveChild, SaveForever)
{
    const QByteArray target = qgetenv("MIVO_TEST_SAVE_TARGET");
    if (target.isEmpty())
        GTEST_SKIP() << "only run as the child of KilledWhileSavingLeavesAReadableFile";
    const QString path = plat::Path::fromNative(target);
    auto context = MivContext::create();
    for (int round = 0;; ++round) {
        context->setDictObject(QByteArray(256 * 1024, char('a' + round % 26)), QStringLiteral("blob"));
        context->setTabConstantSize(round);
        ASSERT_TRUE(plat::KeyedArchive::writeFile(path, context->encodeWithCoder(), nullptr));
        if (round == 0)
            QFile(path + QStringLiteral(".started")).open(QIODevice::WriteOnly);
    }
}

TEST_F(MivContextArchiveTest, KilledWhileSavingLeavesAReadableFile)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("mivo-data-demo.plist"));
    const QString self = plat::Path::fromNative(QFile::symLinkTarget(QStringLiteral("/proc/self/exe")).toUtf8());
    for (int attempt = 0; attempt < 3; ++attempt) {
        QFile::remove(path + QStringLiteral(".started"));
        plat::Process child(QStringLiteral("/usr/bin/env"),
                            {QStringLiteral("MIVO_TEST_SAVE_TARGET=") + path, self,
                             QStringLiteral("--gtest_filter=MivContextArchiveChild.SaveForever")});
        child.setOutputMode(plat::Process::OutputMode::Discard);
        ASSERT_TRUE(child.start());
        // Kill it somewhere inside its loop of saves; where does not matter.
        for (int i = 0; i < 6000 && !QFile::exists(path + QStringLiteral(".started")); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::this_thread::sleep_for(std::chrono::milliseconds(attempt * 7));
        ::kill(child.pid(), SIGKILL);
        child.waitForExit();

        plat::Error error;
        const auto root = plat::KeyedArchive::readFile(path, &error);
        ASSERT_TRUE(root) << error.description().toStdString();
        const auto loaded = MivContext::initWithCoder(*root);
        ASSERT_TRUE(loaded);
        EXPECT_EQ(loaded->dict().value(QStringLiteral("blob")).toByteArray().size(), 256 * 1024);
    }
}

TEST_F(MivContextArchiveTest, AFullDiskKeepsThePreviousSettings)
{
    QTemporaryDir folder;
    const QString mount = folder.filePath(QStringLiteral("volume"));
    ASSERT_TRUE(QDir().mkpath(mount));
    mivtest::ScopedTmpfs tmpfsMount(mount);
    if (!tmpfsMount.mounted())
        GTEST_SKIP() << tmpfsMount.whyNot();

    const QString path = mount + QStringLiteral("/mivo-data-demo.plist");
    auto context = MivContext::create();
    context->setTabConstantSize(111);
    ASSERT_TRUE(plat::KeyedArchive::writeFile(path, context->encodeWithCoder(), nullptr));
    context->setTabConstantSize(222);
    context->setDictObject(QByteArray(900 * 1024, 'x'), QStringLiteral("blob"));
    plat::Error error;
    EXPECT_FALSE(plat::KeyedArchive::writeFile(path, context->encodeWithCoder(), &error));
    const auto root = plat::KeyedArchive::readFile(path, &error);
    ASSERT_TRUE(root) << error.description().toStdString();
    EXPECT_EQ(MivContext::initWithCoder(*root)->tabConstantSize(), 111);
}

} // namespace
