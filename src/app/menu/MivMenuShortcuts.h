#pragma once

#include "app/tools/MivToolShortcut.h"

#include <QKeySequence>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <optional>

class QAction;

// The user's main-menu shortcuts. They live in the general store under
// "main.shortcuts", keyed by each item's menu path id; a stored "no key"
// clears the item's key. The key an item had before its first change in this
// process is remembered, so a reset can give it back. GUI thread only.
class MivMenuShortcuts
{
public:
    static const QString kStoreKey;

    // The path id of an item: its part ("<objectName>_<tag>" for an item with
    // an action, else its title) after its ancestors' parts, joined by ">>".
    // Without an item, the suffix.
    static QString menuItemId(const QAction* item, const QString& suffix = QString());

    // Stores a shortcut (or none, which clears the key) for the item and
    // applies it.
    void updateShortcut(const std::optional<MivToolShortcut>& shortcut, QAction* item);
    // Applies the stored shortcuts to the menus under the top-level items
    // (start-up): ids in the current form and the two older forms.
    void reloadShortcuts(const QList<QAction*>& topLevelItems);
    // Every changed item gets its first key back; the stored menu shortcuts
    // and the non-menu keys return to their defaults.
    void resetShortcuts();

    // The stored value of "no key".
    static QVariant nullMarker() { return QVariantMap(); }
    static QVariant encode(const MivToolShortcut& shortcut);
    static std::optional<MivToolShortcut> decode(const QVariant& value);

private:
    struct DefaultShortcut
    {
        QKeySequence key;
        QPointer<QAction> item;
    };

    void processShortcut(const QVariant& stored, QAction* item, const QString& id);
    void processItem(QAction* item, const QString& parentPath, const QVariantMap& stored, int scheme);

    QMap<QString, DefaultShortcut> m_defaults;
};
