#include "app/settings/MivContext.h"

#include <QCoreApplication>

namespace {

struct DefaultKey
{
    const char* id;
    const char* label;
    quint64 keyCode;
    quint64 modifiers;
};

constexpr quint64 kShift = MivContext::kShiftKeyMask;
constexpr quint64 kControl = MivContext::kControlKeyMask;
constexpr quint64 kOption = MivContext::kOptionKeyMask;
constexpr quint64 kCommand = MivContext::kCommandKeyMask;

// The non-menu shortcuts in registration order: virtual key codes and
// modifier masks, as stored in settings.
constexpr DefaultKey kDefaultKeys[] = {
    {"commandline.showlist", "Command line: Show history list", 125, kCommand},
    {"file.table.open.file.with", "Files Panel: Open file with", 31, kControl},
    {"file.table.filter", "Files Panel: Filter files table", 1, kCommand},
    {"file.table.dir.hotlist", "Files Panel: Open directory hotlist ('bookmarks')", 2, kCommand},
    {"file.table.history", "Files Panel: Open history list of already visited dirs", 125, kOption},
    {"file.table.open.target.left", "Files Panel: Open Selected Folder in Left Panel", 123, kCommand},
    {"file.table.open.target.right", "Files Panel: Open Selected Folder in Right Panel", 124, kCommand},
    {"file.table.select.up", "Files Panel: Select File and Go Up", 126, kShift},
    {"file.table.select.up2", "Files Panel: Select File and Go Up (2)", 126, kShift},
    {"file.table.select.down", "Files Panel: Select File and Go Down", 125, kShift},
    {"file.table.select.down2", "Files Panel: Select File and Go Down (2)", 125, kShift},
    {"file.table.open", "Files Panel: Open File / Folder", 36, 0},
    {"file.table.open.folder", "Files Panel: Go Inside Folder / Package", 124, 0},
    {"file.table.archinside", "Files Panel: Go Inside Archive", 36, kCommand},
    {"file.table.select.2", "Files Panel: Select File", 49, 0},
    {"file.table.folderup", "Files Panel: Folder Up", 51, 0},
    {"file.table.folderup2", "Files Panel: Folder Up (2)", 123, 0},
    {"file.table.pageup", "Files Panel: Page Up", 116, 0},
    {"file.table.pagedown", "Files Panel: Page Down", 121, 0},
    {"file.table.end", "Files Panel: Scroll To Last", 119, 0},
    {"file.table.home", "Files Panel: Scroll To First", 115, 0},
    {"file.table.hidden", "Files Panel: Show Hidden Files", 47, kControl},
    {"file.table.switchpanels", "Files Panel: Switch Active Panel", 34, kControl},
    {"file.table.switchpanels.2", "Files Panel: Switch Active Panel (2)", 48, 0},
    {"file.table.left.drivelist", "Files Panel: Show Left Drive List", 122, kOption},
    {"file.table.right.drivelist", "Files Panel: Show Right Drive List", 120, kOption},
    {"file.table.deletefiles", "Files Panel: Delete Selected Files", 117, 0},
};

} // namespace

void MivContext::registerKeys()
{
    QStringList keys;
    {
        std::lock_guard guard(m_fieldsLock);
        keys = m_shortcuts.keys();
    }
    for (const DefaultKey& row : kDefaultKeys) {
        registerKey(QString::fromLatin1(row.id), QCoreApplication::translate("MivContext", row.label), row.keyCode, row.modifiers,
                    keys);
    }
    std::lock_guard guard(m_fieldsLock);
    for (const QString& stale : keys)
        m_shortcuts.remove(stale);
}

void MivContext::registerKey(const QString& id, const QString& label, quint64 keyCode, quint64 modifiers, QStringList& keys)
{
    keys.removeAll(id);
    std::lock_guard guard(m_fieldsLock);
    auto it = m_shortcuts.find(id);
    if (it == m_shortcuts.end())
        it = m_shortcuts.insert(id, MivShortcutEntry{QString(), keyCode, modifiers, 0, 0});
    it->label = label;
    it->defaultMod = modifiers;
    it->defautKeyCode = keyCode;
    if (it->keyCode == 0) {
        it->keyModifiers = modifiers;
        it->keyCode = keyCode;
    }
}

bool MivContext::checkShortcut(const QString& id, quint16 keyCode, quint64 modifierFlags, bool emptyModifiers) const
{
    std::lock_guard guard(m_fieldsLock);
    const auto it = m_shortcuts.constFind(id);
    if (it == m_shortcuts.cend() || it->keyCode != keyCode)
        return false;
    if (it->keyModifiers != 0)
        return (modifierFlags & it->keyModifiers) == it->keyModifiers;
    return emptyModifiers;
}

bool MivContext::hasNoModifiers(quint64 modifierFlags)
{
    return (modifierFlags & (kShiftKeyMask | kControlKeyMask | kOptionKeyMask | kCommandKeyMask)) == 0;
}

void MivContext::updateShortcut(const std::optional<MivToolShortcut>& shortcut, const QString& forKey)
{
    std::lock_guard guard(m_fieldsLock);
    const auto it = m_shortcuts.find(forKey);
    if (it == m_shortcuts.end())
        return;
    const bool recorded = shortcut && shortcut->keyCode >= 0;
    it->keyCode = recorded ? quint64(shortcut->keyCode) : 0;
    it->keyModifiers = recorded ? shortcut->modifierFlags : 0;
}

void MivContext::resetShortcuts()
{
    {
        std::lock_guard guard(m_dictLock);
        m_dict.remove(QStringLiteral("main.shortcuts"));
    }
    std::lock_guard guard(m_fieldsLock);
    for (MivShortcutEntry& entry : m_shortcuts) {
        entry.keyCode = entry.defautKeyCode;
        entry.keyModifiers = entry.defaultMod;
    }
}
