#include "app/panel/MivTotalInfoModel.h"

#include "FileData/Formatters/MivFileSizeFormatter.h"
#include "app/settings/MivContext.h"

#include <QCoreApplication>

#include <algorithm>

void MivTotalInfoModel::clearSelection()
{
    std::lock_guard lock(m_lock);
    m_counters.selectedFiles = 0;
    m_counters.selectedFolders = 0;
    m_counters.selectedFilesSize = 0;
    m_counters.selectedFoldersSize = 0;
}

void MivTotalInfoModel::clearTotals()
{
    std::lock_guard lock(m_lock);
    m_counters.files = 0;
    m_counters.folders = 0;
    m_counters.filesSize = 0;
    m_counters.foldersSize = 0;
}

void MivTotalInfoModel::clearFolderSizes()
{
    std::lock_guard lock(m_lock);
    m_counters.foldersSize = 0;
    m_counters.selectedFoldersSize = 0;
}

void MivTotalInfoModel::clear()
{
    std::lock_guard lock(m_lock);
    m_counters = Counters{};
}

qint64 MivTotalInfoModel::totalSize() const
{
    std::lock_guard lock(m_lock);
    return m_counters.totalSize();
}

qint64 MivTotalInfoModel::totalSelectedSize() const
{
    std::lock_guard lock(m_lock);
    return m_counters.totalSelectedSize();
}

void MivTotalInfoModel::updateTotalSize(qint64 size, bool isFolder)
{
    const qint64 s = std::max<qint64>(size, 0);
    std::lock_guard lock(m_lock);
    if (isFolder) {
        ++m_counters.folders;
        m_counters.foldersSize += s;
    } else {
        ++m_counters.files;
        m_counters.filesSize += s;
    }
}

void MivTotalInfoModel::updatedSize(qint64 size, bool isFolder, bool withSelection)
{
    const qint64 s = std::max<qint64>(size, 0);
    std::lock_guard lock(m_lock);
    (isFolder ? m_counters.foldersSize : m_counters.filesSize) += s;
    if (withSelection)
        (isFolder ? m_counters.selectedFoldersSize : m_counters.selectedFilesSize) += s;
}

void MivTotalInfoModel::updateSelectionSize(qint64 size, bool isFolder, bool isAdd)
{
    const qint64 d = isAdd ? 1 : -1;
    const qint64 s = std::max<qint64>(size, 0);
    std::lock_guard lock(m_lock);
    if (isFolder) {
        m_counters.selectedFolders += qint32(d);
        m_counters.selectedFoldersSize += d * s;
    } else {
        m_counters.selectedFiles += qint32(d);
        m_counters.selectedFilesSize += d * s;
    }
}

MivTotalInfoModel::Counters MivTotalInfoModel::counters() const
{
    std::lock_guard lock(m_lock);
    return m_counters;
}

QString MivTotalInfoModel::convertToString() const
{
    const auto settings = MivContext::context();
    return convertToString(counters(), settings->sizeDisplayFormat(), settings->dirCountInFooter());
}

QString MivTotalInfoModel::convertToString(const Counters& c, qint64 sizeFormat, bool withFolders)
{
    QString text = MivFileSizeFormatter::convertSize(c.totalSelectedSize(), sizeFormat);
    text += QStringLiteral(" / ");
    text += MivFileSizeFormatter::convertSize(c.totalSize(), sizeFormat);
    text += QCoreApplication::translate("MivTotalInfoModel", " in ");
    text += QCoreApplication::translate("MivTotalInfoModel", "%1 / %2 file(s)").arg(c.selectedFiles).arg(c.files);
    if (withFolders) {
        text += QCoreApplication::translate("MivTotalInfoModel", " %1 / %2 folder(s)")
                    .arg(c.selectedFolders)
                    .arg(c.folders);
    }
    return text;
}
