#include "app/tools/MivToolRunner.h"

#include "FileData/MivErrorPresenter.h"
#include "FileData/MivFileData.h"
#include "FileData/MivFileDataManager.h"
#include "app/tools/MivToolParamExpander.h"
#include "platform/Process.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ToolRunner : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MivFileDataManager::registerHooks();
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("source")));
        ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("target")));
        MivErrorPresenter::setPresentationHandler([this](const plat::Error& error) { m_presented << error; });
    }
    void TearDown() override { MivErrorPresenter::setPresentationHandler({}); }

    QString path(const QString& relative) const { return m_dir.filePath(relative); }

    static MivFileDataPtr item(const QString& path) { return MivFileDataManager::makeInstanceForString(path, true); }

    MivToolPanelSelection panel(const QString& folder, const QStringList& selectedNames) const
    {
        MivToolPanelSelection selection;
        selection.context = item(path(folder));
        for (const QString& name : selectedNames)
            selection.selected << item(path(folder + u'/' + name));
        return selection;
    }

    static MivToolDef tool(const QString& program, const QStringList& params, qint32 mode)
    {
        MivToolDef def;
        def.name = QStringLiteral("Copy over");
        def.path = program;
        def.runAsOption = mode;
        def.params = QList<MivToolParamDef>();
        for (const QString& param : params)
            def.params->append(MivToolParamDef{param});
        return def;
    }

    static void writeFile(const QString& path, const QByteArray& contents)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }

    QTemporaryDir m_dir;
    QList<plat::Error> m_presented;
};

TEST_F(ToolRunner, ExpandsPlaceholdersFromBothPanels)
{
    writeFile(path(QStringLiteral("source/one b")), "1");
    writeFile(path(QStringLiteral("source/two")), "2");
    const MivToolPanelSelection source = panel(QStringLiteral("source"), {QStringLiteral("one b"), QStringLiteral("two")});
    const MivToolPanelSelection target = panel(QStringLiteral("target"), {});
    const QString text = QStringLiteral("${source selected names}|${source selected paths}|${target context path}|"
                                        "${target selected names}|${other}");

    EXPECT_EQ(MivToolParamExpander::expand(text, source, target, false),
              QStringLiteral("one b two|%1 %2|%3||${other}")
                  .arg(path(QStringLiteral("source/one b")), path(QStringLiteral("source/two")), path(QStringLiteral("target"))));
    EXPECT_EQ(MivToolParamExpander::expand(text, source, std::nullopt, true),
              QStringLiteral("'one b' 'two'|'%1' '%2'|${target context path}|${target selected names}|${other}")
                  .arg(path(QStringLiteral("source/one b")), path(QStringLiteral("source/two"))));
    EXPECT_EQ(MivToolParamExpander::shellQuoted(QStringLiteral("it's")), QStringLiteral("'it'\\''s'"));
}

// A file name full of shell syntax stays one word when the tool runs through
// the shell: the tool copies the file and nothing else runs.
TEST_F(ToolRunner, ShellToolQuotesSubstitutedNames)
{
    const QString hostile = QStringLiteral("it's a b; cd; touch pwned; $(touch pwned2)");
    writeFile(path(QStringLiteral("source/") + hostile), "marker");
    const MivToolDef def = tool(QStringLiteral("cp"),
                                {QStringLiteral("${source selected paths}"), QStringLiteral("${target context path}")},
                                MivToolRunner::kShellMode);

    const auto process = MivToolRunner::executeDefAction(def, panel(QStringLiteral("source"), {hostile}),
                                                         panel(QStringLiteral("target"), {}));
    ASSERT_TRUE(process);
    ASSERT_TRUE(process->waitForExit());
    EXPECT_EQ(process->exitStatus(), 0);

    QFile copied(path(QStringLiteral("target/") + hostile));
    ASSERT_TRUE(copied.open(QIODevice::ReadOnly));
    EXPECT_EQ(copied.readAll(), QByteArray("marker"));
    const QString home = QDir::homePath();
    EXPECT_FALSE(QFile::exists(home + QStringLiteral("/pwned")));
    EXPECT_FALSE(QFile::exists(home + QStringLiteral("/pwned2")));
    EXPECT_FALSE(QFile::exists(QDir::currentPath() + QStringLiteral("/pwned2")));
    EXPECT_EQ(QDir(path(QStringLiteral("target"))).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 1);
    EXPECT_TRUE(m_presented.isEmpty());
}

// A tool run directly gets each expansion as one argument, unquoted.
TEST_F(ToolRunner, DirectToolGetsExpansionsUnchanged)
{
    writeFile(path(QStringLiteral("source/a b")), "x");
    const MivToolDef def = tool(QStringLiteral("/bin/sh"),
                                {QStringLiteral("-c"), QStringLiteral("printf %s \"$1\" > \"$2/out\""), QStringLiteral("sh"),
                                 QStringLiteral("${source selected names}"), QStringLiteral("${target context path}")},
                                1);
    const auto process = MivToolRunner::executeDefAction(def, panel(QStringLiteral("source"), {QStringLiteral("a b")}),
                                                         panel(QStringLiteral("target"), {}));
    ASSERT_TRUE(process);
    ASSERT_TRUE(process->waitForExit());
    QFile out(path(QStringLiteral("target/out")));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_EQ(out.readAll(), QByteArray("a b"));
}

// Only a program that could not be started is reported; one that finishes at
// once is a success, and a missing program is silently not run.
TEST_F(ToolRunner, ReportsOnlyWhatCouldNotStart)
{
    const auto quick = MivToolRunner::executeDefAction(tool(QStringLiteral("/bin/true"), {}, 1), std::nullopt, std::nullopt);
    ASSERT_TRUE(quick);
    ASSERT_TRUE(quick->waitForExit());
    EXPECT_TRUE(m_presented.isEmpty());

    EXPECT_FALSE(MivToolRunner::executeDefAction(tool(path(QStringLiteral("missing")), {}, 1), std::nullopt, std::nullopt));
    EXPECT_FALSE(MivToolRunner::executeDefAction(tool(QString(), {}, 1), std::nullopt, std::nullopt));
    EXPECT_TRUE(m_presented.isEmpty());

    // Exists, but no one may execute it (root included).
    const QString script = path(QStringLiteral("not-executable"));
    writeFile(script, "#!/bin/sh\nexit 0\n");
    ASSERT_TRUE(QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner));
    MivToolDef def = tool(script, {}, 1);
    def.name = QStringLiteral("Broken");
    EXPECT_FALSE(MivToolRunner::executeDefAction(def, std::nullopt, std::nullopt));
    ASSERT_EQ(m_presented.size(), 1);
    EXPECT_EQ(m_presented.first().code(), MivToolRunner::kCannotExecuteCode);
    EXPECT_TRUE(m_presented.first().description().contains(QStringLiteral("Cannot execute tool: \"Broken\"")))
        << m_presented.first().description().toStdString();
}

} // namespace
