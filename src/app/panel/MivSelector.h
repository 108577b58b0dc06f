#pragma once

#include "FileData/MivFileDataTypes.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <functional>
#include <mutex>
#include <optional>

// The marks of one panel: the items the user marked for an operation, in
// marking order, found by path key. Apart from the list model's highlight.
// Read from the panel's queues and the GUI thread; one lock guards it all.
class MivSelector
{
public:
    // Everything but null, the ".." row and network-neighbourhood entries.
    static bool isSelectable(const MivFileDataPtr& item);

    // True when the item was newly marked.
    bool addToSelection(const MivFileDataPtr& item);
    // True when the item's key was marked; the item stored at marking time
    // leaves the list.
    bool removeFromSelection(const MivFileDataPtr& item);
    bool isSelectionExist() const;
    bool isSelectedKey(const QString& pathKey) const;
    bool isSelected(const MivFileDataPtr& item) const;
    bool hasFolderSelected() const;
    void clearSelection();

    QList<MivFileDataPtr> resolveSelection() const;
    QSet<QString> resolveSelectionPk() const;

    // Before a re-listing of the same folder: the marked items are kept
    // aside. Afterwards every kept item that still exists is handed to the
    // block in marking order, and the snapshot goes.
    void storeSnapshot();
    void restoreSnapshot(const std::function<void(const MivFileDataPtr&)>& block);
    bool hasSnapshot() const;

    QStringList selection() const;
    QList<MivFileDataPtr> selectedDataFiles() const;
    unsigned selectedFolderCount() const;
    void setSelectedFolderCount(unsigned count);

private:
    mutable std::mutex m_lock;
    unsigned m_selectedFolderCount = 0;
    QStringList m_selection;
    QList<MivFileDataPtr> m_selectedDataFiles;
    QHash<QString, MivFileDataPtr> m_selectionKeysMapping;
    QSet<QString> m_folderKeys; // keys of items that were folders when marked
    std::optional<QList<MivFileDataPtr>> m_snapshot;
};
