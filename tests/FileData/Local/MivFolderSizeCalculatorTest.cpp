#include "FileData/IMivCalculateSizeDelegate.h"
#include "FileData/Local/MivFolderSizeCalculator.h"
#include "FileData/MivItemHooks.h"
#include "../FactorySupport.h"
#include "LocalTestFolder.h"
#include "platform/BlockOperation.h"

#include <sys/stat.h>

#include <cstdio>

namespace {

using FolderSizeTest = localtest::LocalFolderTest;

class RecordingSizes : public IMivCalculateSizeDelegate
{
public:
    void sizeCalculatedForItem(const QString& item, quint64 totalSize, quint64 itemSize, bool folder) override
    {
        calls.append({item, totalSize, itemSize, folder});
        if (onCall)
            onCall(int(calls.size()));
    }
    struct Call
    {
        QString item;
        quint64 total;
        quint64 size;
        bool folder;
    };
    QList<Call> calls;
    std::function<void(int)> onCall;
};

// The sum of the apparent sizes of the regular files below a folder, as
// find reports them without following links.
quint64 findSum(const QString& folder)
{
    const QString command = QStringLiteral("find '%1' -mindepth 1 -type f -printf '%s\\n'").arg(folder);
    FILE* pipe = ::popen(command.toLocal8Bit().constData(), "r");
    quint64 sum = 0;
    unsigned long long size = 0;
    while (::fscanf(pipe, "%llu", &size) == 1)
        sum += size;
    ::pclose(pipe);
    return sum;
}

TEST_F(FolderSizeTest, FolderSizeSumsRegularFilesAndNeverFollowsLinks)
{
    makeFolder(path(QStringLiteral("tree/a/b")));
    makeFolder(path(QStringLiteral("tree/.hidden")));
    write(path(QStringLiteral("tree/one")), QByteArray(10, '1'));
    write(path(QStringLiteral("tree/a/two")), QByteArray(12345, '2'));
    write(path(QStringLiteral("tree/a/b/three")), QByteArray(70000, '3'));
    write(path(QStringLiteral("tree/.hidden/four")), QByteArray(4, '4'));
    write(path(QStringLiteral("outside")), QByteArray(1 << 20, 'o'));
    link(path(QStringLiteral("tree")), path(QStringLiteral("tree/a/b/up")));             // to an ancestor
    link(path(QStringLiteral("outside")), path(QStringLiteral("tree/a/big-link")));      // to a big file
    link(QStringLiteral("nowhere"), path(QStringLiteral("tree/dangling")));
    ASSERT_EQ(::mkfifo(plat::Path::toNative(path(QStringLiteral("tree/a/fifo"))).constData(), 0600), 0);

    const auto sizes = std::make_shared<RecordingSizes>();
    quint64 allocated = 0;
    const quint64 total = MivFolderSizeCalculator::fastFolderSizeAtURL(url(path(QStringLiteral("tree"))), sizes, &allocated);
    EXPECT_EQ(total, 10u + 12345u + 70000u + 4u);
    EXPECT_EQ(total, findSum(path(QStringLiteral("tree"))));
    EXPECT_GT(allocated, 0u);
    // Every entry once (the folder itself not), the links as 0 bytes.
    EXPECT_EQ(sizes->calls.size(), 11);
    for (const auto& call : sizes->calls) {
        if (call.item.endsWith(QLatin1String("link")) || call.item.endsWith(QLatin1String("/up"))) {
            EXPECT_EQ(call.size, 0u) << call.item.toStdString();
        }
        EXPECT_EQ(call.folder, QFileInfo(call.item).isDir() && !QFileInfo(call.item).isSymLink()) << call.item.toStdString();
    }
    EXPECT_EQ(sizes->calls.last().total, total);
}

TEST_F(FolderSizeTest, FolderSizeOfNothingIsZeroAndLeavesTheAllocatedSizeAlone)
{
    quint64 allocated = 77;
    EXPECT_EQ(MivFolderSizeCalculator::fastFolderSizeAtURL(QUrl(), nullptr, &allocated), 0u);
    EXPECT_EQ(allocated, 77u);
    EXPECT_EQ(MivFolderSizeCalculator::fastFolderSizeAtURL(url(path(QStringLiteral("missing"))), nullptr, &allocated), 0u);
    EXPECT_EQ(allocated, 0u);
}

TEST_F(FolderSizeTest, ACancelledFolderSizeKeepsTheSumSoFar)
{
    makeFolder(path(QStringLiteral("tree")));
    for (int i = 0; i < 5; ++i)
        write(path(QStringLiteral("tree/f%1").arg(i)), QByteArray(100, 'x'));
    const auto operation = plat::BlockOperation::create();
    plat::Operation::ThreadRegistration registration(operation);
    const auto sizes = std::make_shared<RecordingSizes>();
    sizes->onCall = [&](int count) {
        if (count == 2)
            operation->cancel();
    };
    quint64 allocated = 0;
    EXPECT_EQ(MivFolderSizeCalculator::fastFolderSizeAtURL(url(path(QStringLiteral("tree"))), sizes, &allocated), 200u);
    EXPECT_EQ(sizes->calls.size(), 2);
    EXPECT_GT(allocated, 0u);
}

TEST_F(FolderSizeTest, TheFactoryRegistersTheFolderSizeCalculator)
{
    makeFolder(path(QStringLiteral("tree")));
    write(path(QStringLiteral("tree/f")), QByteArray(42, 'x'));
    factorytest::FactoryEnvironment environment;
    ASSERT_TRUE(MivItemHooks::hasFastFolderSizeAtURL());
    EXPECT_EQ(MivItemHooks::fastFolderSizeAtURL(url(path(QStringLiteral("tree"))), nullptr, nullptr), 42u);
}

} // namespace
