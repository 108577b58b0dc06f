#include "SettingsTestSupport.h"

#include "FileData/MivFileData.h"
#include "FileData/MivFileDataManager.h"
#include "platform/Error.h"
#include "platform/Path.h"
#include "support/ScopedTmpfs.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <zip.h>

#include <sys/stat.h>

namespace {

using mivtest::SettingsTest;

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(path.section(u'/', 0, -2));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(bytes);
}

class MivSettingsTransferTest : public SettingsTest
{
protected:
    void SetUp() override
    {
        SettingsTest::SetUp();
        ASSERT_TRUE(m_exports.isValid());
        // Each test starts with an empty program folder.
        QDir(MivContext::programFolderPath()).removeRecursively();
        QFile::remove(MivContext::preferencesFilePath());
    }

    static MivFileDataPtr item(const QString& path) { return MivFileDataManager::makeFreshInstanceForString(path, true); }

    // The program folder's own files, by relative path.
    static QMap<QString, QByteArray> programFiles()
    {
        QMap<QString, QByteArray> files;
        const QString root = MivContext::programFolderPath();
        for (const QString& name : QDir(root).entryList(QDir::Files | QDir::Hidden))
            files.insert(name, readFile(root + u'/' + name));
        return files;
    }

    QTemporaryDir m_exports;
};

TEST_F(MivSettingsTransferTest, ExportThenImportRoundTripsTheSettings)
{
    auto context = MivContext::context();
    context->setMaxHistoryEntries(7);
    context->setConfirmDelete(false);
    ASSERT_TRUE(MivContext::saveContext());
    writeFile(MivContext::programFolderPath() + QStringLiteral("/Syntax Definitions/mine.plist"), "syntax");
    writeFile(MivContext::preferencesFilePath(), "defaults");

    const auto zip = MivContext::exportSettingsTo(item(m_exports.path()));
    ASSERT_TRUE(zip);
    EXPECT_EQ(zip->name(), MivContext::settingsExportFileName(QDate::currentDate()));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^settings_\\d{4}_\\d{2}_\\d{2}\\.zip$")).match(zip->name()).hasMatch());
    const auto exported = programFiles();

    // Everything changes after the export...
    context->setMaxHistoryEntries(3);
    ASSERT_TRUE(MivContext::saveContext());
    writeFile(MivContext::programFolderPath() + QStringLiteral("/later.txt"), "later");
    QFile::remove(MivContext::programFolderPath() + QStringLiteral("/Syntax Definitions/mine.plist"));
    writeFile(MivContext::preferencesFilePath(), "changed");

    // ...and the import at quit brings the export back, whole.
    MivContext::setPendingSettingsImport(zip);
    EXPECT_EQ(MivContext::pendingSettingsImport(), zip);
    ASSERT_TRUE(MivContext::finishPendingSettingsImport());
    EXPECT_FALSE(MivContext::pendingSettingsImport());
    EXPECT_EQ(programFiles(), exported);
    EXPECT_EQ(readFile(MivContext::programFolderPath() + QStringLiteral("/Syntax Definitions/mine.plist")), QByteArray("syntax"));
    EXPECT_EQ(readFile(MivContext::preferencesFilePath()), QByteArray("defaults"));
    struct stat info {};
    ASSERT_EQ(plat::Path::stat(MivContext::programFolderPath(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    // Nothing is left beside the program folder.
    const QString dataHome = MivContext::programFolderPath().section(u'/', 0, -2);
    EXPECT_EQ(QDir(dataHome).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList{QStringLiteral("MIVO")});

    MivContext::resetForTesting();
    MivContext::loadContext();
    EXPECT_EQ(MivContext::context()->maxHistoryEntries(), 7);
    EXPECT_FALSE(MivContext::context()->confirmDelete());
    EXPECT_FALSE(MivContext::finishPendingSettingsImport()) << "nothing pending";
}

TEST_F(MivSettingsTransferTest, AHostileArchiveChangesNothing)
{
    writeFile(MivContext::programFolderPath() + QStringLiteral("/mivo-data-demo.plist"), "mine");
    const QString zipPath = m_exports.filePath(QStringLiteral("settings_2024_01_02.zip"));
    int error = 0;
    zip_t* archive = zip_open(plat::Path::toNative(zipPath).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_TRUE(archive);
    for (const char* name : {"mivo-settings/MIVO/mivo-data-demo.plist", "mivo-settings/../../../MIVO/evil"}) {
        zip_source_t* source = zip_source_buffer(archive, "evil", 4, 0);
        ASSERT_GE(zip_file_add(archive, name, source, ZIP_FL_ENC_RAW), 0);
    }
    ASSERT_EQ(zip_close(archive), 0);

    plat::Error failure;
    EXPECT_FALSE(MivContext::importSettingsFrom(item(zipPath), &failure));
    EXPECT_EQ(failure.code(), -303) << failure.description().toStdString();
    EXPECT_EQ(programFiles(), (QMap<QString, QByteArray>{{QStringLiteral("mivo-data-demo.plist"), "mine"}}));
    const QString dataHome = MivContext::programFolderPath().section(u'/', 0, -2);
    EXPECT_EQ(QDir(dataHome).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList{QStringLiteral("MIVO")});
}

TEST_F(MivSettingsTransferTest, AFailedMoveKeepsTheOldFolder)
{
    writeFile(MivContext::programFolderPath() + QStringLiteral("/mivo-data-demo.plist"), "old");
    const auto zip = MivContext::exportSettingsTo(item(m_exports.path()));
    ASSERT_TRUE(zip);
    // A folder that is a mount point cannot be renamed away or over.
    mivtest::ScopedTmpfs mount(MivContext::programFolderPath());
    if (!mount.mounted())
        GTEST_SKIP() << mount.whyNot();
    writeFile(MivContext::programFolderPath() + QStringLiteral("/mivo-data-demo.plist"), "current");

    plat::Error failure;
    EXPECT_FALSE(MivContext::importSettingsFrom(zip, &failure));
    EXPECT_FALSE(failure.isNull());
    EXPECT_EQ(programFiles(), (QMap<QString, QByteArray>{{QStringLiteral("mivo-data-demo.plist"), "current"}}));
}

TEST_F(MivSettingsTransferTest, ExportsAreListedNewestFirst)
{
    const QStringList names{QStringLiteral("settings_2023_12_31.zip"), QStringLiteral("notes.zip"),
                            QStringLiteral("settings_2024_01_02.zip"), QStringLiteral("Settings_2024_05_05.zip"),
                            QStringLiteral("settings_2022_01_01.ZIP")};
    const QStringList sorted = MivContext::sortedSettingsExports(names);
    EXPECT_EQ(sorted, (QStringList{QStringLiteral("settings_2024_01_02.zip"), QStringLiteral("settings_2023_12_31.zip"),
                                   QStringLiteral("settings_2022_01_01.ZIP")}));
    EXPECT_EQ(MivContext::settingsExportTitle(sorted.first()), QStringLiteral("2024-01-02"));
    EXPECT_EQ(MivContext::settingsExportTitle(QStringLiteral("settings_2024_01_02.ZIP")), QStringLiteral("2024-01-02.ZIP"));
    EXPECT_EQ(MivContext::settingsExportFileName(QDate(2024, 3, 7)), QStringLiteral("settings_2024_03_07.zip"));
}

} // namespace
