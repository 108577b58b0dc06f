// The compact item layout must answer exactly what plain fields would: the
// display name and the extension follow the name only while nothing could
// tell the difference, rarely set fields read as unset until written, and
// overridable getters run with none of the item's locks held.
#include "ItemTestSupport.h"

#include "FileData/MivUrlFileData.h"
#include "FileData/PermsData.h"
#include "platform/Path.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

using namespace itemtest;

namespace {

class NamedItem : public MivSimpleFileData
{
public:
    using MivFileData::setDisplayName;
};

TEST(MivItemLayoutTest, DisplayNameAndExtensionAnswerWhatWasSet)
{
    struct Case
    {
        const char* label;
        QString name;
        QString displayName;  // set after the name
        QString extension;    // set after the name
    };
    const QString null;
    const QList<Case> cases = {
        {"the name itself", QStringLiteral("a.txt"), QStringLiteral("a.txt"), QStringLiteral("txt")},
        {"the stem", QStringLiteral("a.txt"), QStringLiteral("a"), QStringLiteral("txt")},
        {"other texts", QStringLiteral("a.txt"), QStringLiteral("Alpha"), QStringLiteral("md")},
        {"an empty text is not a null one", QStringLiteral("a"), QStringLiteral(""), QStringLiteral("")},
        {"null texts", QStringLiteral("a.txt"), null, null},
        {"no extension to derive", QStringLiteral("README"), QStringLiteral("README"), null},
        {"a dot file", QStringLiteral(".profile"), QStringLiteral(".profile"), null},
        {"an unnamed item", null, null, null},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        NamedItem item;
        item.updateName(c.name);
        EXPECT_EQ(item.displayName().isNull(), c.name.isNull()) << "a new name is its own display name";
        EXPECT_EQ(item.displayName(), c.name);
        item.setExtenssion(c.extension);
        EXPECT_EQ(item.extenssion(), c.extension);
        EXPECT_EQ(item.extenssion().isNull(), c.extension.isNull());
        item.setDisplayName(c.displayName);
        EXPECT_EQ(item.displayName(), c.displayName);
        EXPECT_EQ(item.displayName().isNull(), c.displayName.isNull());
        EXPECT_EQ(item.name(), c.name);
    }
}

TEST(MivItemLayoutTest, ARenameKeepsTheExtensionButResetsTheDisplayName)
{
    MivSimpleFileData item;
    item.updateName(QStringLiteral("a.txt"));
    item.refresh();
    ASSERT_EQ(item.extenssion(), QStringLiteral("txt"));
    ASSERT_EQ(item.displayName(), QStringLiteral("a"));

    // The extension is resolved once; a new name does not change it.
    item.updateName(QStringLiteral("b.md"));
    EXPECT_EQ(item.extenssion(), QStringLiteral("txt"));
    EXPECT_EQ(item.displayName(), QStringLiteral("b.md"));
    item.updateName(QStringLiteral("c"));
    EXPECT_EQ(item.extenssion(), QStringLiteral("txt"));

    // A stored extension that becomes the name's again reads the same.
    item.updateName(QStringLiteral("d.txt"));
    EXPECT_EQ(item.extenssion(), QStringLiteral("txt"));
    item.setExtenssion(QString());
    item.updateName(QStringLiteral("e.txt"));
    EXPECT_TRUE(item.extenssion().isNull());
}

TEST(MivItemLayoutTest, RarelySetFieldsReadUnsetUntilWrittenAndKeepWhatWasWritten)
{
    MivSimpleFileData item;
    EXPECT_TRUE(item.tooltip().isNull());
    EXPECT_TRUE(item.linkPath().isNull());
    EXPECT_TRUE(item.headerData().isNull());
    EXPECT_TRUE(item.tags().isEmpty());
    EXPECT_FALSE(item.labelNumber());
    EXPECT_FALSE(item.posix());
    EXPECT_FALSE(item.defColor().isValid());
    EXPECT_FALSE(item.fileIdent().isValid());
    EXPECT_FALSE(item.uiParent());
    EXPECT_TRUE(item.modificationDate().isNull());
    EXPECT_TRUE(item.owner().isNull());

    // Writing the unset value first must not lose a later distinction.
    item.setTooltip(QString());
    item.setHeaderData(QByteArray(""));
    EXPECT_FALSE(item.headerData().isNull()) << "an empty header is not a missing one";
    item.setTooltip(QStringLiteral("tip"));
    item.setLinkPath(QStringLiteral("/target"));
    item.setTags({QStringLiteral("red")});
    item.setLabelNumber(0);
    item.setPosix(0644);
    item.setFileIdent(QVariant(QString()));
    const QDateTime when = QDateTime::fromSecsSinceEpoch(1000000000);
    item.setModificationDate(when);
    auto panelParent = std::make_shared<MivSimpleFileData>();
    item.setUiParent(panelParent);
    EXPECT_EQ(item.tooltip(), QStringLiteral("tip"));
    EXPECT_EQ(item.linkPath(), QStringLiteral("/target"));
    EXPECT_EQ(item.realPath(), QStringLiteral("/target"));
    EXPECT_EQ(item.tags(), QStringList{QStringLiteral("red")});
    EXPECT_EQ(item.labelNumber(), std::optional<qint64>(0));
    EXPECT_EQ(item.posix(), std::optional<qint64>(0644));
    EXPECT_EQ(item.fileIdent().typeId(), QMetaType::QString) << "a null text is still a text";
    EXPECT_EQ(item.modificationDate(), when);
    EXPECT_EQ(item.uiParent(), panelParent);
    EXPECT_TRUE(item.displayName().isNull()) << "side fields leave the name's derivations alone";
}

TEST(MivItemLayoutTest, FirstWritesFromManyThreadsKeepEveryField)
{
    // Each round, four threads race to make a fresh item's side structure.
    for (int round = 0; round < 200; ++round) {
        MivSimpleFileData item;
        item.updateName(QStringLiteral("n.txt"));
        std::vector<std::thread> threads;
        threads.emplace_back([&] { item.setTooltip(QStringLiteral("tip")); });
        threads.emplace_back([&] { item.setLinkPath(QStringLiteral("/target")); });
        threads.emplace_back([&] { item.setTags({QStringLiteral("red")}); });
        threads.emplace_back([&] {
            item.setExtenssion(QStringLiteral("md"));
            (void)item.displayName();
        });
        for (auto& thread : threads)
            thread.join();
        ASSERT_EQ(item.tooltip(), QStringLiteral("tip"));
        ASSERT_EQ(item.linkPath(), QStringLiteral("/target"));
        ASSERT_EQ(item.tags(), QStringList{QStringLiteral("red")});
        ASSERT_EQ(item.extenssion(), QStringLiteral("md"));
        ASSERT_EQ(item.displayName(), QStringLiteral("n.txt"));
    }
}

// A kind whose overridable getters check, from another thread, that none of
// the item's locks is held while they run: a kind that fills them with I/O
// or waits for a worker that needs the item must not block the item.
class ProbingItem : public MivUrlFileData
{
public:
    using MivUrlFileData::MivUrlFileData;

    std::optional<qint64> posix() const override
    {
        recordLocks();
        return 0640;
    }
    void calculateHiddenFlag() override
    {
        recordLocks();
        // Asking the item itself, as a kind that reads through its own
        // getters may: it must neither deadlock nor recurse for ever.
        setHiden(true);
        hiddenAnsweredInside = hidden();
    }

    mutable bool monitorWasFree = true;
    mutable bool stripeWasFree = true;
    bool hiddenAnsweredInside = false;

private:
    void recordLocks() const
    {
        // A recursive lock held by this thread cannot be taken by another.
        std::async(std::launch::async, [this] {
            std::unique_lock monitorLock(monitor(), std::try_to_lock);
            monitorWasFree = monitorWasFree && monitorLock.owns_lock();
            std::unique_lock stripeLock(plat::StripedLocks::forAddress(this), std::try_to_lock);
            stripeWasFree = stripeWasFree && stripeLock.owns_lock();
        }).get();
    }
};

TEST(MivItemLayoutTest, OverridableGettersRunWithNoItemLockHeld)
{
    // On a worker, so a deadlock shows as a failure rather than a hung run.
    auto done = std::async(std::launch::async, [] {
        const auto item = MivUrlFileData::createWithPath<ProbingItem>(QStringLiteral("/tmp/visible"), false);
        const PermsDataPtr snapshot = item->perms();
        EXPECT_EQ(snapshot->posix(), std::optional<qint64>(0640));
        EXPECT_TRUE(item->hidden()) << "the calculation's own answer stands";
        EXPECT_TRUE(item->hiddenAnsweredInside);
        EXPECT_TRUE(item->monitorWasFree);
        EXPECT_TRUE(item->stripeWasFree);
    });
    if (done.wait_for(std::chrono::minutes(2)) != std::future_status::ready) {
        ADD_FAILURE() << "an item getter deadlocked on the item's own lock";
        std::_Exit(1);
    }
    done.get();
}

// A kind whose permission getter sees the item refreshed while the snapshot
// is being made, as a slow getter racing a refresh would.
class RefreshedWhileReading : public MivSimpleFileData
{
public:
    std::optional<qint64> posix() const override
    {
        const int round = ++reads;
        if (round == 1)
            self->permsUpdated();
        return round == 1 ? 0600 : 0644;
    }
    mutable int reads = 0;
    RefreshedWhileReading* const self = this;
};

TEST(MivItemLayoutTest, ASnapshotMadeAcrossARefreshIsNotKept)
{
    RefreshedWhileReading item;
    const PermsDataPtr stale = item.perms();
    EXPECT_EQ(stale->posix(), std::optional<qint64>(0600)) << "the caller still gets an answer";
    const PermsDataPtr fresh = item.perms();
    EXPECT_NE(fresh, stale);
    EXPECT_EQ(fresh->posix(), std::optional<qint64>(0644));
    EXPECT_EQ(item.perms(), fresh) << "a snapshot made without a refresh in between is kept";
}

} // namespace
