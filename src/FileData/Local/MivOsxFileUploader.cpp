#include "FileData/Local/MivOsxFileUploader.h"

#include "FileData/MivErrorPresenter.h"
#include "FileData/MivFileData.h"
#include "platform/ReplacingFile.h"
#include "platform/Log.h"

#include <QCoreApplication>

MivOsxFileUploader::MivOsxFileUploader(MivFileDataPtr data)
    : MivFileLoader(std::move(data), true)
{
}

MivOsxFileUploader::~MivOsxFileUploader() { close(); }

bool MivOsxFileUploader::open(quint64, const MivCopyContextPtr&)
{
    // Through a link to the file it names, as writing the link would.
    const QString path = m_data ? m_data->realPath() : QString();
    auto file = std::make_unique<plat::ReplacingFile>(path);
    plat::Error error;
    if (path.isEmpty() || !file->open(&error)) {
        if (!error)
            error = MivErrorPresenter::makeFileOperationErrorWithCode(
                -1, QCoreApplication::translate("MivOsxFileUploader", "The item has no local path."));
        MIV_LOG_INFO(QStringLiteral("OSXUploader STREAM: %1, status: %2, error: %3, file URL: %4")
                         .arg(path)
                         .arg(7)
                         .arg(error.description(), path));
        setLastError(error);
        return false;
    }
    std::lock_guard lock(m_mutex);
    _stream = std::move(file);
    return true;
}

qint64 MivOsxFileUploader::handleDataBuffer(char* buffer, qint64 offset, qint64 length)
{
    std::lock_guard lock(m_mutex);
    if (!_stream)
        return 0;
    const qint64 count = length - offset;
    if (count <= 0)
        return 0;
    plat::Error error;
    if (!_stream->write(buffer + offset, count, &error)) {
        setLastError(error);
        return -1;
    }
    return count;
}

void MivOsxFileUploader::processFinishWithSource(const MivFileDataPtr&, bool result)
{
    std::unique_ptr<plat::ReplacingFile> file;
    {
        std::lock_guard lock(m_mutex);
        file = std::move(_stream);
    }
    if (!file)
        return;
    plat::Error error;
    if (result && !file->commit(&error))
        setLastError(error);
    // Without a success the file's destructor removes what was written.
}

void MivOsxFileUploader::close()
{
    std::lock_guard lock(m_mutex);
    // Still open: the copy never finished, so nothing replaces the target.
    _stream.reset();
}

void MivOsxFileUploader::processCancelOperation() { close(); }
