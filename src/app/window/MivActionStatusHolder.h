#pragma once

#include <QString>

// The one place that says which file commands are available now. Readers
// (menus, toolbar, action bar) only read its flags. Until the flags are
// computed from the panels, every command reads as unavailable. GUI thread only.
class MivActionStatusHolder
{
public:
    static const QString kActionsStateChangedNotification;

    static MivActionStatusHolder& sharedInstance();

    // Registers the holder's listeners (once; later calls do nothing).
    void installListeners();
    // The window's active panel changed: recompute and tell the readers.
    void activeTableChanged();
    // Posts "ActionsStateChangedNotification" with the holder as object.
    void notify();

    bool mkDirEnabled() const { return m_mkDirEnabled; }
    bool mkFileEnabled() const { return m_mkFileEnabled; }
    bool goToFolderEnabled() const { return m_goToFolderEnabled; }
    bool viewEnabled() const { return m_viewEnabled; }
    bool editEnabled() const { return m_editEnabled; }
    bool renameEnabled() const { return m_renameEnabled; }
    bool mkAliasEnabled() const { return m_mkAliasEnabled; }
    bool finderEnabled() const { return m_finderEnabled; }
    bool symlinkEnabled() const { return m_symlinkEnabled; }
    bool removeEnabled() const { return m_removeEnabled; }
    bool copyPasteboardEnabled() const { return m_copyPasteboardEnabled; }
    bool copyEnabled() const { return m_copyEnabled; }
    bool moveEnabled() const { return m_moveEnabled; }
    bool moveToTrashEnabled() const { return m_moveToTrashEnabled; }
    bool compressEnabled() const { return m_compressEnabled; }
    bool uncompressEnabled() const { return m_uncompressEnabled; }
    bool compressHereEnabled() const { return m_compressHereEnabled; }
    bool uncompressHereEnabled() const { return m_uncompressHereEnabled; }
    bool duplicateEnabled() const { return m_duplicateEnabled; }

private:
    MivActionStatusHolder() = default;

    bool m_listenersInstalled = false;
    bool m_mkDirEnabled = false;
    bool m_mkFileEnabled = false;
    bool m_goToFolderEnabled = false;
    bool m_viewEnabled = false;
    bool m_editEnabled = false;
    bool m_renameEnabled = false;
    bool m_mkAliasEnabled = false;
    bool m_finderEnabled = false;
    bool m_symlinkEnabled = false;
    bool m_removeEnabled = false;
    bool m_copyPasteboardEnabled = false;
    bool m_copyEnabled = false;
    bool m_moveEnabled = false;
    bool m_moveToTrashEnabled = false;
    bool m_compressEnabled = false;
    bool m_uncompressEnabled = false;
    bool m_compressHereEnabled = false;
    bool m_uncompressHereEnabled = false;
    bool m_duplicateEnabled = false;
};
