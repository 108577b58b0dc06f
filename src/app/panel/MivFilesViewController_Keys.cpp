#include "app/panel/MivFilesViewController.h"

#include "FileData/MivExec.h"
#include "FileData/MivFileData.h"
#include "app/files-table/MivFilesTableView.h"
#include "app/panel/MivFilesTableControlKeys.h"
#include "app/panel/MivFilesTableDataController.h"
#include "app/panel/MivFilesTableNotifications.h"
#include "app/settings/MivContext.h"
#include "app/settings/MivContextEntry.h"
#include "platform/KeyCodeAdapter.h"
#include "platform/NotificationCenter.h"

#include <QKeyEvent>
#include <algorithm>
#include <QWidget>

using plat::KeyCodeAdapter;

namespace {

// The device-independent modifier bits the key table looks at.
constexpr quint64 kDeviceIndependentMask = 0x1F0000;
constexpr quint64 kCapsLockMask = 0x10000;
// Key codes up to this one are characters (letters, digits, punctuation).
constexpr quint16 kLastCharacterKeyCode = 47;
constexpr quint16 kBackslashKeyCode = 42;
constexpr quint16 kSlashKeyCode = 44;

enum class KeyAction { Post, PageUp, PageDown, End, Home, SwitchPanels };

struct KeyRow
{
    const char* id;
    const char* secondId;  // a second binding of the same command, or null
    KeyAction action;
    const char* controlKey;
    const char* dataKey = nullptr;  // a boolean entry of the posted data
    bool dataValue = false;
};

// Tested in this order; the first id that matches decides.
const KeyRow kKeyTable[] = {
    {"commandline.showlist", nullptr, KeyAction::Post, CommandlineControlKeyShowHistory},
    {"file.table.archinside", nullptr, KeyAction::Post, FilesTableControlKeyInside},
    {"file.table.filter", nullptr, KeyAction::Post, FilterFilesTableControlKey},
    {"file.table.dir.hotlist", nullptr, KeyAction::Post, ksFilesTableControlKeyHotlist},
    {"file.table.history", nullptr, KeyAction::Post, ksFilesTableControlKeyHistory},
    {"file.table.open.folder", nullptr, KeyAction::Post, FilesTableControlKeyOpenFolder},
    {"file.table.open.file.with", nullptr, KeyAction::Post, FilesTableControlKeyOpenWith},
    {"file.table.open", nullptr, KeyAction::Post, FilesTableControlKeyEnter},
    {"file.table.select.2", nullptr, KeyAction::Post, FilesTableControlKeySelect},
    {"file.table.folderup", "file.table.folderup2", KeyAction::Post, FilesTableControlKeyUpFolder},
    {"file.table.pageup", nullptr, KeyAction::PageUp, FilesTableControlKeyPgUp},
    {"file.table.pagedown", nullptr, KeyAction::PageDown, FilesTableControlKeyPgDown},
    {"file.table.end", nullptr, KeyAction::End, nullptr},
    {"file.table.home", nullptr, KeyAction::Home, nullptr},
    {"file.table.hidden", nullptr, KeyAction::Post, FilesTableControlKeyHiddenFiles},
    {"file.table.switchpanels", "file.table.switchpanels.2", KeyAction::SwitchPanels, nullptr},
    {"file.table.left.drivelist", nullptr, KeyAction::Post, LeftFilesTableControlKey},
    {"file.table.right.drivelist", nullptr, KeyAction::Post, RightFilesTableControlKey},
    {"file.table.deletefiles", nullptr, KeyAction::Post, DeleteFilesTableControlKey},
    {"file.table.open.target.left", nullptr, KeyAction::Post, FilesTableControlKeyOpenInTarget, "left", true},
    {"file.table.open.target.right", nullptr, KeyAction::Post, FilesTableControlKeyOpenInTarget, "left", false},
    {"file.table.select.up", "file.table.select.up2", KeyAction::Post, FilesTableControlKeySelectAndGo, "next", false},
    {"file.table.select.down", "file.table.select.down2", KeyAction::Post, FilesTableControlKeySelectAndGo, "next", true},
};

bool isPaging(KeyAction action)
{
    return action == KeyAction::PageUp || action == KeyAction::PageDown || action == KeyAction::End
           || action == KeyAction::Home;
}

bool isFirstResponder(const QWidget* view)
{
    return view && view->window()->focusWidget() == view;
}

} // namespace

bool MivFilesViewController::processQuickFilterKey(const MivContext& settings, quint16 keyCode, QKeyEvent* event)
{
    const auto entry = m_entry.lock();
    const auto container = entry ? entry->controller() : nullptr;
    if (!container)
        return false;
    // Typing a character opens the side's quick filter, which then gets that
    // very key; Return and the path separators never open it.
    if (keyCode <= kLastCharacterKeyCode && keyCode != KeyCodeAdapter::Return && keyCode != kBackslashKeyCode
        && keyCode != kSlashKeyCode && settings.quickSearchOption() == 2)
        container->showSearchPanel();
    // Escape goes to the quick filter even when it is hidden.
    if (container->isSearchPanelShown() || keyCode == KeyCodeAdapter::Escape)
        return container->processSearchKeyEvent(event);
    return false;
}

bool MivFilesViewController::processKeyDown(QWidget* view, QKeyEvent* event)
{
    const auto stroke = KeyCodeAdapter::fromQt(event->key(), event->modifiers());
    if (!stroke)
        return true;
    const quint64 masked = stroke->modifierFlags & kDeviceIndependentMask;
    const bool plain = masked == 0 || masked == kCapsLockMask;
    const bool plainOrShift = plain || masked == KeyCodeAdapter::kShiftKeyMask;

    // Plain Up and Down always move the view's own focus row.
    if (plain && (stroke->keyCode == KeyCodeAdapter::DownArrow || stroke->keyCode == KeyCodeAdapter::UpArrow))
        return true;

    const std::shared_ptr<MivContext> settings = MivContext::context();
    const bool optionOnly = masked == KeyCodeAdapter::kOptionKeyMask;
    if (plainOrShift || optionOnly) {
        if (processQuickFilterKey(*settings, stroke->keyCode, event))
            return false;
    }

    for (const KeyRow& row : kKeyTable) {
        const bool empty = isPaging(row.action) ? plainOrShift : plain;
        const bool matches =
            settings->checkShortcut(QString::fromLatin1(row.id), stroke->keyCode, stroke->modifierFlags, empty)
            || (row.secondId
                && settings->checkShortcut(QString::fromLatin1(row.secondId), stroke->keyCode, stroke->modifierFlags, empty));
        if (!matches)
            continue;

        auto* table = qobject_cast<MivFilesTableView*>(view);
        switch (row.action) {
        case KeyAction::Post: {
            QVariantMap data;
            if (row.dataKey)
                data.insert(QString::fromLatin1(row.dataKey), row.dataValue);
            processControlKey(QString::fromLatin1(row.controlKey), data);
            return false;
        }
        case KeyAction::SwitchPanels:
            processInsertKey(view);
            return false;
        case KeyAction::PageUp:
        case KeyAction::PageDown:
        case KeyAction::End:
        case KeyAction::Home: {
            if (!table)
                return true;
            const int before = table->selectedRow();
            if (row.action == KeyAction::PageUp || row.action == KeyAction::PageDown) {
                table->pageMove(row.action == KeyAction::PageUp ? -1 : 1);
                processControlKey(QString::fromLatin1(row.controlKey));
            } else {
                table->gotoElement(row.action == KeyAction::End ? m_arrayController->rowCount() : 0);
            }
            if (masked == KeyCodeAdapter::kShiftKeyMask)
                processControlKey(QString::fromLatin1(FilesTableControlKeyAddSelectionRange), {{QStringLiteral("row"), before}});
            return false;
        }
        }
    }
    return true;
}

void MivFilesViewController::flagsChanged(QWidget* view, QKeyEvent* event)
{
    if (!isFirstResponder(view))
        return;
    // For the Shift key itself Qt reports the state after the change.
    if (event->modifiers().testFlag(Qt::ShiftModifier))
        processControlKey(QString::fromLatin1(FilesTableControlKeyShiftDown));
    else if (event->key() == Qt::Key_Shift)
        processControlKey(QString::fromLatin1(FilesTableControlKeyShiftUp));
}

void MivFilesViewController::processInsertKey(QWidget* view)
{
    if (isFirstResponder(view))
        processControlKey(QString::fromLatin1(FilesTableControlKeyChangeFocus));
    else if (view)
        view->setFocus(Qt::TabFocusReason);
}

void MivFilesViewController::processControlKey(const QString& key, const QVariantMap& data)
{
    QVariantMap userInfo = data;
    userInfo.insert(QStringLiteral("key"), key);
    plat::NotificationCenter::defaultCenter().post(QString::fromLatin1(ksFilesTableControlKeyPressedNotification), this,
                                                   userInfo);
}

void MivFilesViewController::tableControlKeyPressed(const QVariantMap& userInfo)
{
    const QString key = userInfo.value(QStringLiteral("key")).toString();
    if (key.isEmpty())
        return;
    const QList<MivFileDataPtr> highlighted = m_arrayController->selectedObjects();
    const MivFileDataPtr last = highlighted.isEmpty() ? nullptr : highlighted.last();

    if (key == QLatin1String(FilesTableControlKeyEnter)) {
        if (last)
            openFileForContext(last);
    } else if (key == QLatin1String(FilesTableControlKeyInside)) {
        if (last)
            openFile(last, true);
    } else if (key == QLatin1String(FilesTableControlKeyOpenFolder)) {
        // Packages have no content view yet: a folder opens, a file stays.
        if (last)
            openFolderForContext(last);
    } else if (key == QLatin1String(FilesTableControlKeySelect)) {
        selectAndCountSize();
    } else if (key == QLatin1String(FilesTableControlKeySelectAndGo)) {
        selectAndGo(userInfo.value(QStringLiteral("next")).toBool());
    } else if (key == QLatin1String(FilesTableControlKeySelectByPattern)) {
        selectRowsWithFilter(userInfo.value(QStringLiteral("pattern")).toString(),
                             userInfo.value(QStringLiteral("regexp")).toBool());
    } else if (key == QLatin1String(FilesTableControlKeyUnselectByPattern)) {
        unselectRowsWithFilter(userInfo.value(QStringLiteral("pattern")).toString(),
                               userInfo.value(QStringLiteral("regexp")).toBool());
    } else if (key == QLatin1String(FilesTableControlKeySelectAll)) {
        selectRowsWithFilter(std::nullopt, false);
    } else if (key == QLatin1String(FilesTableControlKeySelectNone)) {
        unselectRowsWithFilter(std::nullopt, false);
    } else if (key == QLatin1String(FilesTableControlKeyInvertSelection)) {
        processInvertSelection();
    } else if (key == QLatin1String(FilesTableControlKeySelectByExtension)) {
        selectAllWithCurrentExtension();
    } else if (key == QLatin1String(FilesTableControlKeyMouseSelect)) {
        MivExec::runOnMainThreadAsync([weak = weak_from_this()] {
            if (auto panel = weak.lock()) {
                panel->updateBeforeSelectionChange();
                panel->updateSelection(panel->lastSelected());
                panel->updateAfterSelectionChanged();
            }
        });
    } else if (key == QLatin1String(FilesTableControlKeyAddSelectionRange)) {
        // The range ends at the row focused now, not when the deferred work runs.
        const int from = userInfo.value(QStringLiteral("row")).toInt();
        const int to = m_arrayController->selectionIndex();
        MivExec::runOnMainThreadAsync([weak = weak_from_this(), from, to] {
            if (auto panel = weak.lock())
                panel->toggleMarksOfRange(from, to);
        });
    }
}

void MivFilesViewController::toggleMarksOfRange(int from, int to)
{
    updateBeforeSelectionChange();
    for (int i = std::min(from, to); i <= std::max(from, to); ++i) {
        if (const MivFileDataPtr item = m_arrayController->dataObjectAtIndex(i))
            updateSelection(item);
    }
    updateAfterSelectionChanged();
}

void MivFilesViewController::selectAndCountSize()
{
    updateBeforeSelectionChange();
    updateSelection(lastSelected());
    updateAfterSelectionChanged();
}

void MivFilesViewController::selectAndGo(bool next)
{
    if (updateSelection(lastSelected()))
        updateAfterSelectionChanged();
    const int row = m_arrayController->selectionIndex();
    const int target = std::clamp(row + (next ? 1 : -1), 0, std::max(0, m_arrayController->rowCount() - 1));
    if (m_filesTable)
        m_filesTable->gotoElement(target);
    else
        m_arrayController->setSelectionIndex(target);
}

void MivFilesViewController::selectAll()
{
    processControlKey(QString::fromLatin1(FilesTableControlKeySelectAll));
}

void MivFilesViewController::selectNone()
{
    processControlKey(QString::fromLatin1(FilesTableControlKeySelectNone));
}

void MivFilesViewController::invertSelection()
{
    processControlKey(QString::fromLatin1(FilesTableControlKeyInvertSelection));
}

void MivFilesViewController::selectByExtension()
{
    processControlKey(QString::fromLatin1(FilesTableControlKeySelectByExtension));
}
