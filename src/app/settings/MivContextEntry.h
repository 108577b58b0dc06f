#pragma once

#include "app/panel/MivFavsEntryData.h"
#include "app/settings/IMivContextEntryController.h"
#include "platform/ArchivedObject.h"

#include <QList>
#include <QUrl>
#include <QVariantMap>

#include <memory>
#include <optional>

class IMivSavedTab;
class MivFileData;

// What is remembered of one side of the main window between runs: saved
// tabs, favourites, folder history, the selected tab and the bar flags.
// Used on the main thread.
class MivContextEntry
{
public:
    static constexpr const char* kClassName = "MivContextEntry";

    bool showHidden() const { return m_showHidden; }
    void setShowHidden(bool value) { m_showHidden = value; }

    // The three lists are made empty on first read when absent.
    QList<QVariantMap>& items();
    void setItems(const QList<QVariantMap>& items) { m_items = items; }
    QList<MivFavsEntryData>& favs();
    void setFavs(const QList<MivFavsEntryData>& favs) { m_favs = favs; }
    QList<QUrl>& history();
    void setHistory(const QList<QUrl>& history) { m_history = history; }
    bool hasFavs() const { return m_favs.has_value(); }
    bool hasHistory() const { return m_history.has_value(); }

    qint64 selectedItem() const { return m_selectedItem; }
    void setSelectedItem(qint64 value) { m_selectedItem = value; }
    bool tabMode() const { return m_tabMode; }
    void setTabMode(bool value) { m_tabMode = value; }
    bool driveMode() const { return m_driveMode; }
    void setDriveMode(bool value) { m_driveMode = value; }
    bool pathBarHidden() const { return m_pathBarHidden; }
    void setPathBarHidden(bool value) { m_pathBarHidden = value; }
    bool loaded() const { return m_loaded; }
    void setLoaded(bool value) { m_loaded = value; }

    std::shared_ptr<IMivContextEntryController> controller() const { return m_controller.lock(); }
    void setController(const std::shared_ptr<IMivContextEntryController>& controller) { m_controller = controller; }

    // Moves or appends the folder to the end, drops the oldest entry past the
    // shared context's maxHistoryEntries and, with commonHistory, copies the
    // list to both sides.
    void updateHistoryForURL(const QUrl& url);

    // Rebuilds the saved tabs from the side's tabs, in order. A tab restored
    // and never shown keeps its saved dictionary, with fresh lock keys.
    void saveItems(const QList<std::shared_ptr<IMivSavedTab>>& tabs);

    // One saved-tab dictionary; nullopt for a tab that is not saved.
    static std::optional<QVariantMap> savinDataForTabItem(const IMivSavedTab* tab, std::shared_ptr<MivFileData> context,
                                                          QString tabContext, bool withPassword = false);
    static void updateTabLockStateInProfile(QVariantMap& profile, const IMivSavedTab* tab);

    plat::ArchivedObject encodeWithCoder() const;
    static std::shared_ptr<MivContextEntry> initWithCoder(const plat::ArchivedObject& object);

private:
    bool m_showHidden = false;
    std::optional<QList<QVariantMap>> m_items;
    std::optional<QList<MivFavsEntryData>> m_favs;
    std::optional<QList<QUrl>> m_history;
    qint64 m_selectedItem = 0;
    bool m_tabMode = false;
    bool m_driveMode = false;
    bool m_pathBarHidden = false;
    bool m_loaded = false;
    std::weak_ptr<IMivContextEntryController> m_controller;
};
