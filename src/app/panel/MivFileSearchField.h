#pragma once

#include "app/panel/MivFilteSearchData.h"

#include <QLineEdit>
#include <QStringList>

class QAction;
class QMenu;

// The quick-filter field: a line edit whose leading button opens the menu of
// filter modes and recent searches. The mode in force starts as the last
// one the user chose (the settings context's `lastFilterOperation`); recent
// searches are kept in the user defaults under "filesearch.autosave".
//
// Whoever owns the field turns its text and mode into a request (request())
// when it emits searchRequested and hands it to the active panel.
class MivFileSearchField : public QLineEdit
{
    Q_OBJECT

public:
    static constexpr const char* kRecentsAutosaveName = "filesearch.autosave";
    static constexpr int kMaximumRecents = 10;

    explicit MivFileSearchField(QWidget* parent = nullptr);

    int selectedItemTag() const { return _selectedItemTag; }
    QStringList recentSearches() const { return _recents; }
    // The field's text and mode as a request.
    MivFilteSearchData request() const;

    // Rebuilds the menu: the "Filter" label, the five modes, then the recent
    // searches (only when there are some) and "Clear Recent".
    void rebuildMenu();
    // Takes the mode of a menu item; choosing the mode in force does nothing,
    // another one is stored as the last mode, applied at once
    // (searchRequested) and the text becomes a recent search.
    void setSearchCategoryFrom(QAction* item);
    // Moves the text (when not empty) to the front of the recent searches.
    void updateRecents();
    // Shows a request: its phrase (empty without one) and its mode; null
    // shows the empty text and keeps the mode.
    void updateData(const MivFilteSearchData* request);

    QMenu* searchMenu() const { return _menu; }

Q_SIGNALS:
    // The filter is to be applied with the current text and mode.
    void searchRequested();

private:
    void storeRecents();
    void selectRecent(const QString& text);
    void clearRecents();

    int _selectedItemTag = MivFilteSearchData::kDefaultOption;
    QStringList _recents;
    QMenu* _menu = nullptr;
    QAction* _menuButton = nullptr;
    bool _showingRequest = false;
};
