// Checksum throughput of the item checksums beside the command-line tools,
// on one file in the page cache. Usage: checksum_bench [file] (default: a
// 1 GiB file made in the temporary folder and removed after).
#include "FileData/IMivCopyFile.h"
#include "FileData/Transfer/MivDefaultFileStreamHandlerDelegate.h"
#include "FileData/MivFileData.h"
#include "FileData/MivFileUtils.h"
#include "platform/Path.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QString>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

// A local file's download side, enough for the checksum path.
class FileDownload : public MivDefaultFileStreamHandlerDelegate
{
public:
    explicit FileDownload(QString path)
        : MivDefaultFileStreamHandlerDelegate(false)
        , m_path(std::move(path))
    {
    }
    ~FileDownload() override { close(); }
    bool open(quint64, const MivCopyContextPtr&) override
    {
        m_fd = plat::Path::open(m_path, O_RDONLY | O_CLOEXEC);
        return m_fd >= 0;
    }
    void close() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    qint64 handleDataBuffer(char* buffer, qint64, qint64 length) override { return ::read(m_fd, buffer, size_t(length)); }

private:
    QString m_path;
    int m_fd = -1;
};

class FileItem : public MivFileData, public virtual IMivCopyFile
{
public:
    explicit FileItem(QString path)
        : m_path(std::move(path))
    {
    }
    std::shared_ptr<IMivStreamHandlerDelegate> createDownloadDelegate() override
    {
        return std::make_shared<FileDownload>(m_path);
    }
    std::shared_ptr<IMivStreamHandlerDelegate> createUploadDelegate() override { return nullptr; }
    bool copyAllowed() const override { return true; }
    void closeContext(const MivCopyContextPtr&) override {}
    std::shared_ptr<MivFileStreamHandler> openStream(const std::shared_ptr<plat::Stream>&, quint64, const MivFileDataPtr&,
                                                     const MivCopyContextPtr&) override
    {
        return nullptr;
    }
    bool checkExistWithContext(const MivCopyContextPtr&) override { return true; }
    using MivFileData::makeFolderWithName;
    MivFileDataPtr makeFolderWithName(const QString&, const MivCopyContextPtr&, plat::Error*) override { return nullptr; }
    bool copyAttributes(const MivFileDataPtr&, const MivCopyContextPtr&, plat::Error*) override { return true; }
    bool copyAttributes(const MivFileDataPtr&, bool, const MivCopyContextPtr&, plat::Error*) override { return true; }

private:
    QString m_path;
};

double seconds(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e9;
}

bool makeFile(const QString& path, qint64 size)
{
    const int fd = plat::Path::open(path, O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    std::vector<char> block(1 << 20);
    quint32 x = 12345;
    for (char& c : block)
        c = char((x = x * 1664525u + 1013904223u) >> 24);
    for (qint64 written = 0; written < size; written += qint64(block.size()))
        if (::write(fd, block.data(), block.size()) != ssize_t(block.size()))
            return ::close(fd), false;
    return ::close(fd) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    QString path = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    bool made = false;
    if (path.isEmpty()) {
        path = MivFileUtils::pathForTemporaryFileWithPrefix(QStringLiteral("mivo-tmp"));
        if (!makeFile(path, qint64(1) << 30)) {
            std::fprintf(stderr, "cannot make %s\n", qPrintable(path));
            return 1;
        }
        made = true;
    }
    const auto item = std::make_shared<FileItem>(path);
    const double size = double(QFile(path).size());
    // Warm the page cache.
    MivFileUtils::calculateChecksumType(5, item, nullptr);

    struct Kind
    {
        int kind;
        const char* name;
        const char* tool;
    };
    std::printf("%-8s %12s %12s %8s\n", "kind", "ours MB/s", "tool MB/s", "ratio");
    for (const Kind& k : {Kind{1, "MD5", "md5sum"}, Kind{2, "SHA-1", "sha1sum"}, Kind{3, "SHA-256", "sha256sum"},
                          Kind{4, "SHA-512", "sha512sum"}, Kind{5, "CRC-32", nullptr}}) {
        QString ours;
        const double t = seconds([&] { ours = MivFileUtils::calculateChecksumType(k.kind, item, nullptr); });
        double toolSpeed = 0;
        if (k.tool) {
            QString theirs;
            const double tt = seconds([&] {
                QProcess process;
                process.start(QString::fromLatin1(k.tool), {path});
                process.waitForFinished(-1);
                theirs = QString::fromLatin1(process.readAllStandardOutput().split(' ').value(0));
            });
            toolSpeed = size / tt / 1e6;
            if (theirs != ours)
                std::printf("  MISMATCH %s: %s vs %s\n", k.name, qPrintable(ours), qPrintable(theirs));
        }
        const double ourSpeed = size / t / 1e6;
        if (toolSpeed > 0)
            std::printf("%-8s %12.1f %12.1f %8.3f\n", k.name, ourSpeed, toolSpeed, ourSpeed / toolSpeed);
        else
            std::printf("%-8s %12.1f %12s %8s\n", k.name, ourSpeed, "-", "-");
    }
    if (made)
        QFile::remove(path);
    return 0;
}
