#include "app/panel/MivSelector.h"

#include "FileData/MivFileData.h"

#include <QStringList>

bool MivSelector::isSelectable(const MivFileDataPtr& item)
{
    // Network-neighbourhood entries answer isSelectable NO themselves.
    return item && !item->isUpFolderData() && item->isSelectable();
}

bool MivSelector::addToSelection(const MivFileDataPtr& item)
{
    if (!isSelectable(item))
        return false;
    const QString key = item->pathKey();
    const bool isFolder = item->folder();
    std::lock_guard lock(m_lock);
    if (m_selectionKeysMapping.contains(key))
        return false;
    m_selection.append(key);
    m_selectedDataFiles.append(item);
    m_selectionKeysMapping.insert(key, item);
    if (isFolder) {
        m_folderKeys.insert(key);
        ++m_selectedFolderCount;
    }
    return true;
}

bool MivSelector::removeFromSelection(const MivFileDataPtr& item)
{
    if (!item)
        return false;
    const QString key = item->pathKey();
    if (key.isEmpty())
        return false;
    std::lock_guard lock(m_lock);
    auto it = m_selectionKeysMapping.find(key);
    if (it == m_selectionKeysMapping.end())
        return false;
    m_selectedDataFiles.removeOne(it.value());
    m_selectionKeysMapping.erase(it);
    m_selection.removeOne(key);
    // Counted as the stored item was when it was marked.
    if (m_folderKeys.remove(key) && m_selectedFolderCount > 0)
        --m_selectedFolderCount;
    return true;
}

bool MivSelector::isSelectionExist() const
{
    std::lock_guard lock(m_lock);
    return !m_selection.isEmpty();
}

bool MivSelector::isSelectedKey(const QString& pathKey) const
{
    if (pathKey.isNull())
        return false;
    std::lock_guard lock(m_lock);
    return m_selectionKeysMapping.contains(pathKey);
}

bool MivSelector::isSelected(const MivFileDataPtr& item) const
{
    return item && isSelectedKey(item->pathKey());
}

bool MivSelector::hasFolderSelected() const
{
    std::lock_guard lock(m_lock);
    return m_selectedFolderCount != 0;
}

void MivSelector::clearSelection()
{
    std::lock_guard lock(m_lock);
    m_selection.clear();
    m_selectedDataFiles.clear();
    m_selectionKeysMapping.clear();
    m_folderKeys.clear();
    m_selectedFolderCount = 0;
}

QList<MivFileDataPtr> MivSelector::resolveSelection() const
{
    std::lock_guard lock(m_lock);
    return m_selectedDataFiles;
}

QSet<QString> MivSelector::resolveSelectionPk() const
{
    std::lock_guard lock(m_lock);
    return QSet<QString>(m_selection.cbegin(), m_selection.cend());
}

void MivSelector::storeSnapshot()
{
    std::lock_guard lock(m_lock);
    m_snapshot = m_selectedDataFiles;
}

void MivSelector::restoreSnapshot(const std::function<void(const MivFileDataPtr&)>& block)
{
    std::optional<QList<MivFileDataPtr>> snapshot;
    {
        std::lock_guard lock(m_lock);
        snapshot.swap(m_snapshot);
    }
    if (!snapshot || !block)
        return;
    // exists() reads the disk and the block marks through this model: both
    // outside the lock.
    for (const auto& item : *snapshot) {
        if (item->exists())
            block(item);
    }
}

bool MivSelector::hasSnapshot() const
{
    std::lock_guard lock(m_lock);
    return m_snapshot.has_value();
}

QStringList MivSelector::selection() const
{
    std::lock_guard lock(m_lock);
    return m_selection;
}

QList<MivFileDataPtr> MivSelector::selectedDataFiles() const
{
    std::lock_guard lock(m_lock);
    return m_selectedDataFiles;
}

unsigned MivSelector::selectedFolderCount() const
{
    std::lock_guard lock(m_lock);
    return m_selectedFolderCount;
}

void MivSelector::setSelectedFolderCount(unsigned count)
{
    std::lock_guard lock(m_lock);
    m_selectedFolderCount = count;
}
