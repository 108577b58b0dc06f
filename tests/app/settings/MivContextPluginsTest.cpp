#include "SettingsTestSupport.h"

#include "app/dropbox/MivDropboxFileData.h"
#include "app/dropbox/MivDropboxRoot.h"
#include "app/plugins/MivGitPlugin.h"
#include "app/plugins/MivLibArchivePlugin.h"
#include "app/plugins/MivSvnPlugin.h"
#include "app/plugins/MivZipArchivePlugin.h"

namespace {

using mivtest::SettingsTest;

class MivContextPluginsTest : public SettingsTest
{
};

template <class T>
bool is(const std::shared_ptr<IMivPlugin>& plugin)
{
    return std::dynamic_pointer_cast<T>(plugin) != nullptr;
}

TEST_F(MivContextPluginsTest, OrderFollowsTheSwitches)
{
    struct Case
    {
        bool git;
        bool svn;
        int size;
    };
    for (const Case& c : {Case{true, false, 11}, Case{false, false, 10}, Case{true, true, 12}, Case{false, true, 11}}) {
        const auto context = MivContext::create();
        context->setEnableGIT(c.git);
        context->setEnableSVN(c.svn);
        EXPECT_FALSE(context->filePlugins()) << "nothing before the list is built";
        const auto list = context->plugins();
        ASSERT_EQ(list.size(), c.size);
        int next = 0;
        if (c.git)
            EXPECT_TRUE(is<MivGitPlugin>(list[next++]));
        if (c.svn)
            EXPECT_TRUE(is<MivSvnPlugin>(list[next++]));
        EXPECT_TRUE(is<MivZipArchivePlugin>(list[next++]));
        EXPECT_TRUE(is<MivLibArchivePlugin>(list[next]));
        EXPECT_EQ(list[list.size() - 2], std::static_pointer_cast<IMivPlugin>(MivDropboxRoot::sharedInstance()));
        EXPECT_TRUE(is<MivDropboxFileData>(list.last()));
        EXPECT_EQ(context->filePlugins()->size(), 10);
        EXPECT_EQ(context->imagePlugins().size(), int(c.git) + int(c.svn));
    }
}

TEST_F(MivContextPluginsTest, ASwitchRebuildsTheList)
{
    const auto context = MivContext::create();
    const auto first = context->plugins();
    EXPECT_EQ(context->plugins(), first) << "built once";
    context->setEnableSVN(true);
    EXPECT_EQ(context->imagePlugins().size(), 1) << "the derived lists wait for the next build";
    const auto second = context->plugins();
    ASSERT_EQ(second.size(), first.size() + 1);
    EXPECT_TRUE(is<MivSvnPlugin>(second[1]));
    EXPECT_NE(second[0], first[0]) << "a new Git plug-in";
    EXPECT_EQ(context->imagePlugins().size(), 2);
}

TEST_F(MivContextPluginsTest, ArchivePluginsByExactExtension)
{
    const auto context = MivContext::create();
    EXPECT_FALSE(context->resolveArchivePluginByExt(QStringLiteral("/a/b.zip"))) << "the lookups do not build the list";
    context->plugins();
    const auto zip = context->resolveArchivePluginByExt(QStringLiteral("/a/b.jar"));
    ASSERT_TRUE(zip);
    EXPECT_TRUE(std::dynamic_pointer_cast<MivZipArchivePlugin>(zip));
    const auto tgz = std::dynamic_pointer_cast<MivLibArchivePlugin>(context->resolveArchivePluginByExt(QStringLiteral("x.tgz")));
    ASSERT_TRUE(tgz);
    EXPECT_EQ(tgz->format(), 1);
    EXPECT_EQ(std::dynamic_pointer_cast<MivLibArchivePlugin>(context->resolveArchivePluginByExt(QStringLiteral("x.rar")))->format(), 9);
    EXPECT_FALSE(context->resolveArchivePluginByExt(QStringLiteral("/a/B.ZIP")));
    EXPECT_FALSE(context->resolveArchivePluginByExt(QStringLiteral("/a/zip")));
    EXPECT_FALSE(context->resolveArchivePluginByExt(QStringLiteral("/a/.zip")));
    EXPECT_FALSE(context->resolveArchivePlugin(nullptr));
}

} // namespace
