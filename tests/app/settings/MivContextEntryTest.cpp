#include "SettingsTestSupport.h"

#include "app/tabs/IMivSavedTab.h"
#include "platform/KeyedArchive.h"
#include "platform/KeyedUnarchiver.h"

namespace {

using mivtest::SettingsTest;

class MivContextEntryTest : public SettingsTest
{
protected:
    static QUrl url(const char* name) { return QUrl(QStringLiteral("file:///tmp/") + QString::fromLatin1(name)); }
    static QList<QUrl> urls(std::initializer_list<const char*> names)
    {
        QList<QUrl> list;
        for (const char* name : names)
            list.append(url(name));
        return list;
    }
};

// A tab as the tab container will describe it.
class Tab : public IMivSavedTab
{
public:
    bool isLocked = false;
    bool isSoftLocked = false;
    QString lock;
    QVariantMap lockData;
    QString context = QStringLiteral("LOCAL");
    std::optional<QVariantMap> profile;
    bool loaded = true;
    std::optional<QVariantMap> restored;

    bool locked() const override { return isLocked; }
    bool softLocked() const override { return isSoftLocked; }
    QString lockContext() const override { return lock; }
    QVariantMap lockContextData() const override { return lockData; }
    MivFileDataPtr folder() const override { return nullptr; }
    QString tabContext() const override { return context; }
    std::optional<QVariantMap> panelProfile() const override { return profile; }
    bool stateLoaded() const override { return loaded; }
    std::optional<QVariantMap> stateData() const override { return restored; }
};

TEST_F(MivContextEntryTest, HistoryMovesRevisitsToTheEndAndKeepsItsLimit)
{
    auto context = MivContext::create();
    context->setCommonHistory(false);
    context->setMaxHistoryEntries(3);
    MivContext::load(context);
    MivContextEntry& entry = *context->left();

    for (const char* name : {"A", "B", "A"})
        entry.updateHistoryForURL(url(name));
    EXPECT_EQ(entry.history(), urls({"B", "A"}));
    for (const char* name : {"C", "D"})
        entry.updateHistoryForURL(url(name));
    EXPECT_EQ(entry.history(), urls({"A", "C", "D"}));
    entry.updateHistoryForURL(url("C"));
    EXPECT_EQ(entry.history(), urls({"A", "D", "C"}));
    EXPECT_TRUE(context->right()->history().isEmpty());

    // A lowered limit drops one entry a visit.
    context->setMaxHistoryEntries(1);
    entry.updateHistoryForURL(url("E"));
    EXPECT_EQ(entry.history(), urls({"D", "C", "E"}));
}

TEST_F(MivContextEntryTest, CommonHistoryGivesBothSidesTheirOwnList)
{
    auto context = MivContext::create();
    MivContext::load(context);
    context->left()->updateHistoryForURL(url("A"));
    context->left()->updateHistoryForURL(url("B"));
    EXPECT_EQ(context->right()->history(), urls({"A", "B"}));
    context->right()->history().append(url("C"));
    EXPECT_EQ(context->left()->history(), urls({"A", "B"}));
}

TEST_F(MivContextEntryTest, FavouritesCompareByUrlOrSavedPath)
{
    MivFavsEntryData local;
    local.setUrl(url("x"));
    MivFavsEntryData sameLocal;
    sameLocal.setUrl(url("x"));
    sameLocal.setLabel(QStringLiteral("other title"));
    EXPECT_EQ(local, sameLocal);
    MivFavsEntryData remote;
    remote.setFileContext({{QStringLiteral("path"), QStringLiteral("sftp://host/a")}});
    MivFavsEntryData sameRemote;
    sameRemote.setFileContext({{QStringLiteral("path"), QStringLiteral("sftp://host/a")}, {QStringLiteral("root"), 1}});
    EXPECT_EQ(remote, sameRemote);
    EXPECT_FALSE(remote == local);
    MivFavsEntryData noPath;
    noPath.setFileContext({{QStringLiteral("root"), 1}});
    EXPECT_FALSE(noPath == noPath) << "a context without a path equals nothing";

    // Decoding drops whatever is no favourite.
    MivContextEntry entry;
    remote.setLabel(QStringLiteral("remote"));
    remote.setPathKey(QStringLiteral("/a"));
    entry.favs() = {local, remote};
    plat::ArchivedObject archived = entry.encodeWithCoder();
    for (auto& [key, value] : archived.entries) {
        if (key == QLatin1String("favs")) {
            QVariantList list = value.toList();
            list.append(QStringLiteral("stranger"));
            list.append(QVariant::fromValue(plat::ArchivedObject{QStringLiteral("Other"), {}}));
            value = list;
        }
    }
    const auto back = MivContextEntry::initWithCoder(*plat::KeyedArchive::fromXml(*plat::KeyedArchive::toXml(archived, nullptr), nullptr));
    ASSERT_TRUE(back);
    ASSERT_EQ(back->favs().size(), 2);
    EXPECT_EQ(back->favs()[1].label(), QStringLiteral("remote"));
    EXPECT_EQ(back->favs()[1].pathKey(), QStringLiteral("/a"));
    EXPECT_EQ(back->favs()[1].fileContext(), remote.fileContext());
    EXPECT_EQ(back->favs()[0].url(), url("x"));
}

TEST_F(MivContextEntryTest, AbsentListsAreMadeOnFirstReadAndFavsAreAlwaysWritten)
{
    MivContextEntry entry;
    const plat::KeyedUnarchiver written(entry.encodeWithCoder());
    EXPECT_FALSE(written.decodeObject(QStringLiteral("items")).isValid());
    EXPECT_FALSE(written.decodeObject(QStringLiteral("history")).isValid());
    EXPECT_EQ(written.decodeObject(QStringLiteral("favs")), QVariant(QVariantList{}));
    QStringList keys;
    for (const auto& item : written.object().entries)
        keys.append(item.first);
    EXPECT_EQ(keys, (QStringList{QStringLiteral("showHidden"), QStringLiteral("items"), QStringLiteral("favs"), QStringLiteral("history"),
                                 QStringLiteral("selectedIndex"), QStringLiteral("tabMode2"), QStringLiteral("driveMode"),
                                 QStringLiteral("pathbarHidden")}));
    const auto back = MivContextEntry::initWithCoder(written.object());
    EXPECT_FALSE(back->hasHistory());
    EXPECT_TRUE(back->history().isEmpty());
    EXPECT_TRUE(back->hasHistory());
}

TEST_F(MivContextEntryTest, SavedTabsKeepLocksAndUnshownClones)
{
    auto locked = std::make_shared<Tab>();
    locked->isLocked = true;
    locked->profile = QVariantMap{{QStringLiteral("viewType"), 1}, {QStringLiteral("zoom"), 1.5}};

    auto lockedTo = std::make_shared<Tab>();
    lockedTo->isSoftLocked = true;
    lockedTo->lock = QStringLiteral("/srv");
    lockedTo->lockData = {{QStringLiteral("path"), QStringLiteral("/srv")}};

    // A clone restored at start-up and never shown keeps what it was restored
    // from; its lock keys are refreshed.
    auto clone = std::make_shared<Tab>();
    clone->loaded = false;
    clone->isLocked = true;
    clone->restored = QVariantMap{{QStringLiteral("path"), QStringLiteral("sftp://host/x")},
                                  {QStringLiteral("context"), QStringLiteral("NETWORK")},
                                  {QStringLiteral("locked"), false},
                                  {QStringLiteral("softLocked"), false}};

    MivContextEntry entry;
    entry.items().append(QVariantMap{{QStringLiteral("stale"), true}});
    entry.saveItems({locked, lockedTo, clone});
    const QList<QVariantMap>& items = entry.items();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0].value(QStringLiteral("locked")), QVariant(true));
    EXPECT_EQ(items[0].value(QStringLiteral("softLocked")), QVariant(false));
    EXPECT_FALSE(items[0].contains(QStringLiteral("lockContext")));
    EXPECT_EQ(items[0].value(QStringLiteral("panelProfileData")).toMap().value(QStringLiteral("zoom")), QVariant(1.5));
    EXPECT_EQ(items[0].value(QStringLiteral("context")), QVariant(QStringLiteral("LOCAL")));
    EXPECT_EQ(items[1].value(QStringLiteral("lockContext")), QVariant(QStringLiteral("/srv")));
    EXPECT_EQ(items[1].value(QStringLiteral("lockContextData")).toMap(), lockedTo->lockData);
    QVariantMap expectedClone = *clone->restored;
    expectedClone.insert(QStringLiteral("locked"), true);
    EXPECT_EQ(items[2], expectedClone);

    // The whole side survives the archive.
    entry.setSelectedItem(2);
    entry.setTabMode(true);
    entry.setPathBarHidden(true);
    const auto back = MivContextEntry::initWithCoder(*plat::KeyedArchive::fromXml(*plat::KeyedArchive::toXml(entry.encodeWithCoder(), nullptr), nullptr));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->items(), entry.items());
    EXPECT_EQ(back->selectedItem(), 2);
    EXPECT_TRUE(back->tabMode());
    EXPECT_FALSE(back->driveMode());
    EXPECT_TRUE(back->pathBarHidden());
    EXPECT_FALSE(back->loaded());
}

TEST_F(MivContextEntryTest, TheControllerClearsItselfWhenItsOwnerGoes)
{
    MivContextEntry entry;
    auto controller = std::make_shared<IMivContextEntryController>();
    entry.setController(controller);
    EXPECT_EQ(entry.controller(), controller);
    controller.reset();
    EXPECT_EQ(entry.controller(), nullptr);
}

} // namespace
