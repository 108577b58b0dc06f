#include "app/tabs/MivDriveButtonBar.h"

#include "FileData/Local/SystemFixture.h"
#include "TabsTestSupport.h"
#include "FileData/MivFileData.h"
#include "FileData/MivFileDataManager.h"
#include "FileData/NetFileData/MivServiceData.h"
#include "platform/PathString.h"

#include <QDir>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

class DriveBarTest : public ::testing::Test
{
protected:
    void SetUp() override { m_bar.reload(); }

    QStringList keys() const
    {
        QStringList result;
        for (const MivFileDataPtr& item : m_bar.buttonsData())
            result.append(item->pathKey());
        return result;
    }
    int segmentOf(const QString& key) const { return static_cast<int>(keys().indexOf(key)); }

    tabstest::TabsEnvironment m_environment;
    MivDriveButtonBar m_bar;
};

TEST_F(DriveBarTest, SegmentsAreHomeThenDrivesThenBonjourAndNetwork)
{
    const QStringList all = keys();
    ASSERT_GE(all.size(), 4) << all.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(all.first(), plat::PathString::homeDirectory());
    EXPECT_EQ(all.at(1), QStringLiteral("/"));
    EXPECT_EQ(all.at(all.size() - 2), QStringLiteral("BONJOUR"));
    EXPECT_EQ(all.last(), QStringLiteral("NETWORK"));
    EXPECT_TRUE(all.contains(QStringLiteral("/home")));
    EXPECT_FALSE(all.contains(QStringLiteral("/proc")));
    EXPECT_EQ(m_bar.segmentCount(), all.size());
    EXPECT_EQ(m_bar.fileDataContextAtIndex(-1), nullptr);
    EXPECT_EQ(m_bar.fileDataContextAtIndex(static_cast<int>(all.size())), nullptr);
}

TEST_F(DriveBarTest, LocationKeysLandOnTheirSegment)
{
    const QString home = plat::PathString::homeDirectory();
    const QString stick = QStringLiteral("/media/%1/KINGSTON").arg(systemtest::RecordedSystem::userName());
    ASSERT_GE(segmentOf(stick), 0) << keys().join(QLatin1Char(',')).toStdString();
    struct Case
    {
        QString key;
        QString segmentKey; // empty: no segment
    };
    const Case cases[] = {
        {home, home},
        {home + QStringLiteral("/Documents/a"), home},
        // Only at a path boundary: a sibling sharing the prefix is not inside.
        {home + QStringLiteral("2/Documents"), QStringLiteral("/")},
        {QStringLiteral("/home"), QStringLiteral("/home")},
        {QStringLiteral("/home/ann/x"), QStringLiteral("/home")},
        {QStringLiteral("/homework/x"), QStringLiteral("/")},
        {stick + QStringLiteral("/photos"), stick},
        {stick + QStringLiteral("2/photos"), QStringLiteral("/")},
        {QStringLiteral("/usr/share"), QStringLiteral("/")},
        {QStringLiteral("smb://nas.lan/Public/a"), QStringLiteral("NETWORK")},
        {QStringLiteral("samba://nas.lan/Public"), QStringLiteral("NETWORK")},
        {QStringLiteral("ftp://example.org/pub"), QStringLiteral("NETWORK")},
        {QStringLiteral("ssh://carol@example.org/"), QStringLiteral("NETWORK")},
        {QStringLiteral("https://example.org/dav"), QStringLiteral("NETWORK")},
        {QStringLiteral("unk://somewhere/x"), QStringLiteral("NETWORK")},
        {QStringLiteral("gopher://example.org/x"), QString()},
        {QStringLiteral("NETWORK"), QStringLiteral("NETWORK")},
        {QStringLiteral("BONJOUR"), QStringLiteral("BONJOUR")},
        {QStringLiteral("NETWORKS"), QString()},
        {QString(), QString()},
    };
    for (const Case& c : cases) {
        const int expected = c.segmentKey.isEmpty() ? -1 : segmentOf(c.segmentKey);
        EXPECT_EQ(m_bar.bestButtonForKey(c.key), expected) << c.key.toStdString();
        const MivFileDataPtr drive = m_bar.driveContextForKey(c.key);
        EXPECT_EQ(drive ? drive->pathKey() : QString(), c.segmentKey) << c.key.toStdString();
    }
    EXPECT_EQ(m_bar.buttonForKey(home + QStringLiteral("/Documents")), -1);
    EXPECT_EQ(m_bar.buttonForKey(QStringLiteral("/")), segmentOf(QStringLiteral("/")));
}

TEST(DriveBarKeys, SegmentKeyHoldsOnlyAtPathBoundary)
{
    EXPECT_TRUE(MivDriveButtonBar::keyHoldsKey(QStringLiteral("/home/ann"), QStringLiteral("/home/ann")));
    EXPECT_TRUE(MivDriveButtonBar::keyHoldsKey(QStringLiteral("/home/ann"), QStringLiteral("/home/ann/b")));
    EXPECT_FALSE(MivDriveButtonBar::keyHoldsKey(QStringLiteral("/home/ann"), QStringLiteral("/home/ann2")));
    EXPECT_TRUE(MivDriveButtonBar::keyHoldsKey(QStringLiteral("/"), QStringLiteral("/anything")));
    EXPECT_TRUE(MivDriveButtonBar::keyHoldsKey(QStringLiteral("smb://nas/share/"), QStringLiteral("smb://nas/share/x")));
    EXPECT_FALSE(MivDriveButtonBar::keyHoldsKey(QString(), QStringLiteral("/x")));
    EXPECT_FALSE(MivDriveButtonBar::keyHoldsKey(QStringLiteral("/home/ann/b"), QStringLiteral("/home/ann")));
}

TEST(ServiceTypes, SchemesOfNetworkServices)
{
    const std::pair<const char*, const char*> table[] = {
        {"smb", "_smb._tcp"},   {"samba", "_smb._tcp"},   {"ssh", "_ssh._tcp"},
        {"ftp", "_ftp._tcp"},   {"ftps", "_ftps._tcp"},   {"afp", "_afpovertcp._tcp"},
        {"http", "_http._tcp"}, {"https", "_https._tcp"}, {"unk", ""},
        {"SMB", ""},            {"file", ""},             {"", ""},
    };
    for (const auto& [scheme, type] : table)
        EXPECT_EQ(MivServiceData::serviceTypeForScheme(QString::fromLatin1(scheme)), QString::fromLatin1(type)) << scheme;
}

TEST_F(DriveBarTest, SelectingByKeyReportsTheSegmentAndUnknownKeysKeepIt)
{
    QSignalSpy spy(&m_bar, &MivDriveButtonBar::selectedSegmentChanged);
    m_bar.selectSegmentWithContext(QStringLiteral("NETWORK"));
    EXPECT_EQ(m_bar.selectedSegment(), segmentOf(QStringLiteral("NETWORK")));
    m_bar.selectSegmentWithContext(QStringLiteral("/nowhere"));
    EXPECT_EQ(m_bar.selectedSegment(), segmentOf(QStringLiteral("NETWORK")));
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), segmentOf(QStringLiteral("NETWORK")));
}

} // namespace
