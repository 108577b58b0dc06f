#include "app/menu/MivMenuShortcuts.h"

#include "app/settings/MivContext.h"
#include "platform/KeyCodeAdapter.h"

#include <QAction>
#include <QMenu>

const QString MivMenuShortcuts::kStoreKey = QStringLiteral("main.shortcuts");

namespace {

// Tags ride in the action's data; an item without one has tag 0.
qint64 tagOf(const QAction* item)
{
    return item->data().toLongLong();
}

bool hasAction(const QAction* item)
{
    return !item->objectName().isEmpty();
}

// The item's own part of a path id by id scheme: 0 the title, 1 the action's
// name, 2 the action's name and tag (the form that is written).
QString partOf(const QAction* item, int scheme)
{
    if (scheme == 0 || !hasAction(item))
        return item->text();
    if (scheme == 1)
        return item->objectName();
    return QStringLiteral("%1_%2").arg(item->objectName()).arg(tagOf(item));
}

// The item whose submenu holds this item; null for a top-level one.
QAction* parentItem(const QAction* item)
{
    for (QObject* widget : item->associatedObjects()) {
        if (auto* menu = qobject_cast<QMenu*>(widget))
            return menu->menuAction();
    }
    return nullptr;
}

} // namespace

QString MivMenuShortcuts::menuItemId(const QAction* item, const QString& suffix)
{
    if (!item)
        return suffix;
    QString id = partOf(item, 2) + suffix;
    for (const QAction* parent = parentItem(item); parent; parent = parentItem(parent))
        id = partOf(parent, 2) + QStringLiteral(">>") + id;
    return id;
}

QVariant MivMenuShortcuts::encode(const MivToolShortcut& shortcut)
{
    return QVariantMap{{QStringLiteral("keyCode"), shortcut.keyCode},
                       {QStringLiteral("modifierFlags"), shortcut.modifierFlags}};
}

std::optional<MivToolShortcut> MivMenuShortcuts::decode(const QVariant& value)
{
    const QVariantMap map = value.toMap();
    bool ok = false;
    const qint64 keyCode = map.value(QStringLiteral("keyCode")).toLongLong(&ok);
    if (!ok || keyCode < 0 || keyCode > 0xFFFF)
        return std::nullopt;
    return MivToolShortcut{keyCode, map.value(QStringLiteral("modifierFlags")).toULongLong()};
}

void MivMenuShortcuts::updateShortcut(const std::optional<MivToolShortcut>& shortcut, QAction* item)
{
    if (!item)
        return;
    const auto context = MivContext::context();
    QVariantMap stored = context ? context->dict().value(kStoreKey).toMap() : QVariantMap();
    const QString id = menuItemId(item);
    const QVariant value = shortcut ? encode(*shortcut) : nullMarker();
    processShortcut(value, item, id);
    stored.insert(id, value);
    if (context)
        context->setDictObject(stored, kStoreKey);
}

void MivMenuShortcuts::processShortcut(const QVariant& stored, QAction* item, const QString& id)
{
    if (!m_defaults.contains(id))
        m_defaults.insert(id, DefaultShortcut{item->shortcut(), item});
    const std::optional<MivToolShortcut> shortcut = decode(stored);
    if (!shortcut) {
        item->setShortcut(QKeySequence());
        return;
    }
    item->setShortcut(plat::KeyCodeAdapter::keySequence(
        plat::VirtualKeyStroke{quint16(shortcut->keyCode), shortcut->modifierFlags}));
}

void MivMenuShortcuts::reloadShortcuts(const QList<QAction*>& topLevelItems)
{
    const auto context = MivContext::context();
    if (!context)
        return;
    const QVariant stored = context->dict().value(kStoreKey);
    if (stored.metaType().id() != QMetaType::QVariantMap)
        return;
    const QVariantMap map = stored.toMap();
    for (int scheme = 0; scheme <= 2; ++scheme) {
        for (QAction* item : topLevelItems)
            processItem(item, QString(), map, scheme);
    }
}

void MivMenuShortcuts::processItem(QAction* item, const QString& parentPath, const QVariantMap& stored, int scheme)
{
    if (!item || item->isSeparator() || !item->isVisible())
        return;
    const QString part = partOf(item, scheme);
    const QString path = parentPath.isNull() ? part : parentPath + QStringLiteral(">>") + part;
    const auto it = stored.constFind(path);
    if (it != stored.constEnd())
        processShortcut(*it, item, path);
    if (QMenu* menu = item->menu()) {
        for (QAction* child : menu->actions())
            processItem(child, path, stored, scheme);
    }
}

void MivMenuShortcuts::resetShortcuts()
{
    for (const DefaultShortcut& remembered : std::as_const(m_defaults)) {
        if (remembered.item)
            remembered.item->setShortcut(remembered.key);
    }
    m_defaults.clear();
    // Removes the stored menu shortcuts too.
    if (const auto context = MivContext::context())
        context->resetShortcuts();
}
