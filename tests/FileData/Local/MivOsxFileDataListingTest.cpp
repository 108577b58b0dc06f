#include "LocalTestFolder.h"

#include "FileData/Local/MivDirectoryEnumerator.h"
#include "FileData/MivListFilesParams.h"
#include "platform/Error.h"
#include "platform/PosixError.h"
#include "platform/Process.h"
#include "support/FakePropertiesProvider.h"
#include "support/RerunAsNobody.h"

#include <QFile>
#include <QSet>

#include <sys/stat.h>

#include <atomic>
#include <mutex>

#include <gtest/gtest.h>

using localtest::LocalFolderTest;

namespace {

// The names a command prints one a line, as bytes.
QList<QByteArray> linesOf(const QString& program, const QStringList& arguments)
{
    plat::Process process(program, arguments);
    process.setOutputMode(plat::Process::OutputMode::Combined);
    if (!process.start())
        return {};
    QByteArray output = process.readAllOutput();
    process.waitForExit();
    if (output.endsWith('\n'))
        output.chop(1);
    return output.isEmpty() ? QList<QByteArray>() : output.split('\n');
}

QList<QByteArray> namesOf(const QList<MivFileDataPtr>& items)
{
    QList<QByteArray> names;
    for (const MivFileDataPtr& item : items)
        names.append(plat::Path::toNative(item->name()));
    return names;
}

QSet<QByteArray> setOf(const QList<QByteArray>& list) { return QSet<QByteArray>(list.begin(), list.end()); }

class MivOsxFileDataListingTest : public LocalFolderTest
{
protected:
    // Lists the folder at the path through its item.
    bool list(const QString& folder, QList<MivFileDataPtr>& out, plat::Error* error, bool hidden = true,
              bool flat = false, const std::optional<plat::SortDescriptor>& sort = std::nullopt,
              const MivFileCallback& callback = {})
    {
        MivListFilesParams params(sort, hidden);
        params.setFlat(flat);
        const auto dir = item(folder);
        const bool answer = dir->listElementsToArray(out, params, callback, error);
        EXPECT_TRUE(params.flatResolvingSupported());
        return answer;
    }

    // Names of a flat listing, relative to the listed folder.
    QSet<QString> flatNames(const QString& folder, bool hidden)
    {
        QList<MivFileDataPtr> items;
        plat::Error error;
        EXPECT_TRUE(list(folder, items, &error, hidden, true)) << error.description().toStdString();
        QSet<QString> names;
        for (const MivFileDataPtr& child : items)
            names.insert(child->pathKey().mid(folder.size() + 1));
        EXPECT_EQ(names.size(), items.size()) << "every file once";
        return names;
    }
};

// Counts around the batch size (151) and the parallel threshold (50): the
// listing answers what ls answers, in the folder's own order (ls -U), so
// batches made in parallel come back in order.
TEST_F(MivOsxFileDataListingTest, ListsWhatLsListsInTheFoldersOrder)
{
    for (const int count : {0, 1, 49, 50, 150, 151, 152, 303, 1000}) {
        const QString folder = path(QStringLiteral("n%1").arg(count));
        makeFolder(folder);
        for (int i = 0; i < count; ++i)
            write(plat::PathString::appendingPathComponent(folder, QStringLiteral("f%1").arg(i)), QByteArray(i % 7, 'x'));
        std::atomic<int> called{0};
        QList<MivFileDataPtr> items;
        plat::Error error;
        ASSERT_TRUE(list(folder, items, &error, true, false, std::nullopt, [&](const MivFileDataPtr&) { ++called; }));
        EXPECT_TRUE(error.isNull());
        EXPECT_EQ(namesOf(items), linesOf(QStringLiteral("/bin/ls"), {QStringLiteral("-U"), QStringLiteral("-A"), folder}))
            << count << " entries";
        EXPECT_EQ(called.load(), count) << "the callback once per child";
        for (const MivFileDataPtr& child : items) {
            ASSERT_TRUE(child->refreshed());
            const int index = child->name().mid(1).toInt();
            EXPECT_EQ(child->size(), index % 7) << "each child holds its own entry's status";
            EXPECT_EQ(child->uiParent()->pathKey(), folder);
        }
    }
}

TEST_F(MivOsxFileDataListingTest, KindsOfEntriesAndHiddenFiles)
{
    const QString folder = path(QStringLiteral("mixed"));
    makeFolder(folder);
    write(folder + QStringLiteral("/plain.txt"), "abc");
    write(folder + QStringLiteral("/.dotfile"), "x");
    makeFolder(folder + QStringLiteral("/sub"));
    makeFolder(folder + QStringLiteral("/.dotdir"));
    link(QStringLiteral("plain.txt"), folder + QStringLiteral("/to-file"));
    link(QStringLiteral("sub"), folder + QStringLiteral("/to-dir"));
    link(QStringLiteral("nowhere"), folder + QStringLiteral("/dangling"));
    write(path(QByteArray("mixed/caf\xE9.txt")), "latin-1 name");
    ASSERT_EQ(::mkfifo(plat::Path::toNative(folder + QStringLiteral("/pipe")).constData(), 0644), 0);

    QList<MivFileDataPtr> all;
    plat::Error error;
    ASSERT_TRUE(list(folder, all, &error, true));
    EXPECT_EQ(setOf(namesOf(all)), setOf(linesOf(QStringLiteral("/bin/ls"), {QStringLiteral("-A"), folder})));
    EXPECT_EQ(all.size(), 9);

    QList<MivFileDataPtr> visible;
    ASSERT_TRUE(list(folder, visible, &error, false));
    EXPECT_EQ(setOf(namesOf(visible)), setOf(linesOf(QStringLiteral("/bin/ls"), {folder})));
    EXPECT_EQ(visible.size(), 7);

    for (const MivFileDataPtr& child : all) {
        const QByteArray name = plat::Path::toNative(child->name());
        SCOPED_TRACE(name.toStdString());
        if (name == "caf\xE9.txt") {
            EXPECT_EQ(child->size(), 12);
            EXPECT_TRUE(child->exists()) << "the byte name reaches the file again";
        } else if (name == "to-dir") {
            EXPECT_TRUE(child->link());
            EXPECT_TRUE(child->folder());
        } else if (name == "dangling") {
            EXPECT_TRUE(child->link());
            EXPECT_FALSE(child->folder());
        } else if (name == "sub") {
            EXPECT_TRUE(child->folder());
            EXPECT_FALSE(child->link());
        }
    }
}

TEST_F(MivOsxFileDataListingTest, ASecondListingReusesUnchangedItemsOnly)
{
    const QString folder = path(QStringLiteral("again"));
    makeFolder(folder);
    write(folder + QStringLiteral("/same"), "1");
    write(folder + QStringLiteral("/changed"), "1");
    QList<MivFileDataPtr> first;
    plat::Error error;
    ASSERT_TRUE(list(folder, first, &error));
    write(folder + QStringLiteral("/changed"), "1234");
    QList<MivFileDataPtr> second;
    ASSERT_TRUE(list(folder, second, &error));
    ASSERT_EQ(second.size(), 2);
    for (const MivFileDataPtr& child : second) {
        const auto before = std::find_if(first.begin(), first.end(),
                                         [&](const MivFileDataPtr& old) { return old->name() == child->name(); });
        ASSERT_NE(before, first.end());
        if (child->name() == QStringLiteral("same")) {
            EXPECT_EQ(child, *before) << "one item per unchanged entry";
        } else {
            EXPECT_NE(child, *before);
            EXPECT_EQ(child->size(), 4);
        }
    }
}

TEST_F(MivOsxFileDataListingTest, ALinkToAFolderListsItsTarget)
{
    const QString real = path(QStringLiteral("real"));
    makeFolder(real);
    write(real + QStringLiteral("/inside"), "x");
    link(real, path(QStringLiteral("via")));
    QList<MivFileDataPtr> items;
    plat::Error error;
    ASSERT_TRUE(list(path(QStringLiteral("via")), items, &error));
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items.first()->pathKey(), real + QStringLiteral("/inside"));
}

TEST_F(MivOsxFileDataListingTest, FlatListingsShowFilesOfRealFoldersOnly)
{
    const QString top = path(QStringLiteral("tree"));
    makeFolder(top + QStringLiteral("/a/b"));
    makeFolder(top + QStringLiteral("/.hidden"));
    makeFolder(top + QStringLiteral("/empty"));
    write(top + QStringLiteral("/top.txt"), "1");
    write(top + QStringLiteral("/a/one"), "1");
    write(top + QStringLiteral("/a/b/two"), "1");
    write(top + QStringLiteral("/a/.dot"), "1");
    write(top + QStringLiteral("/.hidden/three"), "1");
    // Links to folders are neither shown nor entered: one to an ancestor
    // would otherwise never end, one to a sibling would list it twice.
    link(QStringLiteral("../.."), top + QStringLiteral("/a/b/up"));
    link(top, top + QStringLiteral("/a/self"));
    link(QStringLiteral("../../empty"), top + QStringLiteral("/a/b/sibling"));
    link(QStringLiteral("one"), top + QStringLiteral("/a/file-link"));

    EXPECT_EQ(flatNames(top, true),
              QSet<QString>({QStringLiteral("top.txt"), QStringLiteral("a/one"), QStringLiteral("a/b/two"),
                             QStringLiteral("a/.dot"), QStringLiteral(".hidden/three"), QStringLiteral("a/file-link")}));
    EXPECT_EQ(flatNames(top, false), QSet<QString>({QStringLiteral("top.txt"), QStringLiteral("a/one"),
                                                    QStringLiteral("a/b/two"), QStringLiteral("a/file-link")}))
        << "hidden folders are not entered";
}

TEST_F(MivOsxFileDataListingTest, AMissingFolderFailsWithItsError)
{
    QList<MivFileDataPtr> items;
    plat::Error error;
    EXPECT_FALSE(list(path(QStringLiteral("absent")), items, &error));
    EXPECT_TRUE(items.isEmpty());
    EXPECT_TRUE(error.is(plat::kCocoaErrorDomain, plat::cocoa::NSFileReadNoSuchFileError)) << error.description().toStdString();

    write(path(QStringLiteral("file")), "x");
    EXPECT_FALSE(list(path(QStringLiteral("file")), items, &error)) << "a file lists nothing";
    EXPECT_FALSE(error.isNull());
}

TEST_F(MivOsxFileDataListingTest, ChildURLsForThePathField)
{
    const QString folder = path(QStringLiteral("urls"));
    makeFolder(folder + QStringLiteral("/dir"));
    makeFolder(folder + QStringLiteral("/.hid"));
    write(folder + QStringLiteral("/file"), "x");
    link(QStringLiteral("dir"), folder + QStringLiteral("/dir-link"));
    write(path(QByteArray("urls/\xFF")), "x");
    const auto dir = item(folder);
    const auto names = [&](const QList<QUrl>& urls) {
        QSet<QString> out;
        for (const QUrl& url : urls)
            out.insert(plat::PathString::lastPathComponent(plat::Path::fromFileUrl(url)));
        return out;
    };
    plat::Error error;
    EXPECT_EQ(names(dir->listURLElements(false, false, &error)),
              QSet<QString>({QStringLiteral("dir"), QStringLiteral("dir-link")}));
    EXPECT_EQ(names(dir->listURLElements(true, true, &error)),
              QSet<QString>({QStringLiteral("dir"), QStringLiteral(".hid"), QStringLiteral("dir-link"), QStringLiteral("file"),
                             plat::Path::fromNative(QByteArray("\xFF"))}));
    EXPECT_TRUE(error.isNull());
    EXPECT_TRUE(item(path(QStringLiteral("absent")))->listURLElements(true, true, &error).isEmpty());
    EXPECT_FALSE(error.isNull());
}

TEST_F(MivOsxFileDataListingTest, ChildrenMadeByName)
{
    const QString folder = path(QStringLiteral("kids"));
    makeFolder(folder);
    write(folder + QStringLiteral("/there"), "123");
    const auto dir = item(folder);
    const MivFileDataPtr there = dir->createChild(QStringLiteral("there"), false);
    ASSERT_TRUE(there);
    EXPECT_TRUE(there->refreshed()) << "an existing entry is read";
    EXPECT_EQ(there->size(), 3);
    const MivFileDataPtr later = dir->createChild(QStringLiteral("later"), true);
    ASSERT_TRUE(later);
    EXPECT_FALSE(later->refreshed());
    EXPECT_EQ(later->pathKey(), folder + QStringLiteral("/later"));
    for (const QString& bad : {QString(), QStringLiteral("."), QStringLiteral(".."), QStringLiteral("a/b"),
                               QStringLiteral("../x"), QString(QChar(0))})
        EXPECT_FALSE(dir->createChild(bad, false)) << bad.toStdString();
}

TEST_F(MivOsxFileDataListingTest, ChainedFoldersShowAFolderNameOnce)
{
    const QString first = path(QStringLiteral("first"));
    const QString second = path(QStringLiteral("second"));
    makeFolder(first + QStringLiteral("/Utilities"));
    makeFolder(second + QStringLiteral("/Utilities"));
    makeFolder(second + QStringLiteral("/Other"));
    write(first + QStringLiteral("/same"), "1");
    write(second + QStringLiteral("/same"), "2");
    MivDirectoryEnumerator enumerator({plat::Path::toNative(first), plat::Path::toNative(second)},
                                      MivDirectoryEnumerator::kSkipsSubdirectoryDescendants, {});
    QList<QByteArray> seen;
    MivDirectoryEntry entry;
    while (enumerator.nextObject(entry))
        seen.append(entry.path);
    const QByteArray a = plat::Path::toNative(first);
    const QByteArray b = plat::Path::toNative(second);
    EXPECT_EQ(setOf(seen), QSet<QByteArray>({a + "/Utilities", a + "/same", b + "/Other", b + "/same"}));
}

// The denied-access cases share a folder between the test (root) and its
// re-run as nobody, named by the parent's process id.
QString deniedFolder(pid_t owner) { return QStringLiteral("/tmp/mivo-listing-denied-%1").arg(owner); }

TEST(MivOsxFileDataListingDeniedTest, UnreadableFoldersEndTheListingWithAnError)
{
    if (::getuid() != 0) {
        const QString top = deniedFolder(::getppid());
        const auto listFolder = [](const QString& folder, bool flat, QList<MivFileDataPtr>& items, plat::Error& error) {
            MivListFilesParams params(std::nullopt, true);
            params.setFlat(flat);
            return MivUrlFileData::createWithURL<MivOsxFileData>(plat::Path::toFileQUrl(folder))
                ->listElementsToArray(items, params, {}, &error);
        };
        // The locked folder is an ordinary entry of a plain listing.
        QList<MivFileDataPtr> items;
        plat::Error error;
        EXPECT_TRUE(listFolder(top + QStringLiteral("/outer"), false, items, error));
        EXPECT_EQ(items.size(), 2);
        EXPECT_TRUE(error.isNull());

        // Listing it fails with the read-permission error.
        items.clear();
        EXPECT_FALSE(listFolder(top + QStringLiteral("/outer/locked"), false, items, error));
        EXPECT_TRUE(error.is(plat::kCocoaErrorDomain, plat::cocoa::NSFileReadNoPermissionError))
            << error.description().toStdString();
        EXPECT_TRUE(items.isEmpty());

        // A flat listing meets it on the way: NO, also when it is the last
        // entry (the listing once answered YES and dropped what it had).
        for (const QString& folder : {top + QStringLiteral("/outer"), top + QStringLiteral("/last")}) {
            SCOPED_TRACE(folder.toStdString());
            items.clear();
            error = plat::Error();
            EXPECT_FALSE(listFolder(folder, true, items, error));
            EXPECT_TRUE(error.is(plat::kCocoaErrorDomain, plat::cocoa::NSFileReadNoPermissionError))
                << error.description().toStdString();
            EXPECT_TRUE(items.isEmpty());
        }

        return;
    }
    const QString top = deniedFolder(::getpid());
    const QByteArray native = plat::Path::toNative(top);
    for (const char* folder : {"/outer/locked", "/last/locked"})
        ASSERT_TRUE(plat::Path::makePath(top + QString::fromLatin1(folder), 0755));
    ASSERT_EQ(::chmod(native.constData(), 0755), 0);
    for (const char* folder : {"/outer/locked", "/last/locked"})
        ASSERT_EQ(::chmod((native + folder).constData(), 0700), 0);
    for (const char* file : {"/outer/file", "/outer/locked/secret"}) {
        const int fd = ::open((native + file).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    const mivtest::RerunResult rerun = mivtest::rerunAsNobody(QStringLiteral("MivOsxFileDataListingDeniedTest.UnreadableFoldersEndTheListingWithAnError"));
    for (const char* file : {"/outer/file", "/outer/locked/secret"})
        ::unlink((native + file).constData());
    for (const char* folder : {"/outer/locked", "/outer", "/last/locked", "/last", ""})
        ::rmdir((native + folder).constData());
    EXPECT_TRUE(rerun.passed()) << rerun.output.toStdString();
}

} // namespace
