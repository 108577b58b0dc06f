#include "app/panel/MivFileSearchField.h"

#include "app/settings/MivContext.h"
#include "app/settings/MivUserDefaults.h"

#include <QAction>
#include <QCoreApplication>
#include <QIcon>
#include <QMenu>

namespace {

struct Mode
{
    int tag;
    const char* title;
};

const Mode kModes[] = {
    {MivFilteSearchData::RegExpMatches, "RegExp - name matches expression"},
    {MivFilteSearchData::Contains, "Textual - name contains term"},
    {MivFilteSearchData::BeginsWith, "Textual - name starts with term"},
    {MivFilteSearchData::WildcardMatches, "Textual - name matches term (*,? allowed)"},
    {MivFilteSearchData::EndsWith, "Textual - name ends with term"},
};

constexpr int kTagRecentsTitle = 1000;
constexpr int kTagRecent = 1001;
constexpr int kTagClearRecents = 1002;

} // namespace

MivFileSearchField::MivFileSearchField(QWidget* parent) : QLineEdit(parent)
{
    setClearButtonEnabled(true);
    setPlaceholderText(tr("Filter"));
    const qint64 last = MivContext::context()->lastFilterOperation();
    _selectedItemTag = last >= MivFilteSearchData::RegExpMatches && last <= MivFilteSearchData::EndsWith
                           ? int(last)
                           : MivFilteSearchData::kDefaultOption;
    _recents = MivUserDefaults::standardUserDefaults().stringArrayForKey(QLatin1String(kRecentsAutosaveName));
    _menu = new QMenu(tr("Search Menu"), this);
    _menuButton = addAction(QIcon::fromTheme(QStringLiteral("edit-find")), QLineEdit::LeadingPosition);
    _menuButton->setToolTip(tr("Search Menu"));
    connect(_menuButton, &QAction::triggered, this, [this] { _menu->popup(mapToGlobal(rect().bottomLeft())); });
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!_showingRequest)
            Q_EMIT searchRequested();
    });
    connect(this, &QLineEdit::returnPressed, this, &MivFileSearchField::updateRecents);
    rebuildMenu();
}

MivFilteSearchData MivFileSearchField::request() const
{
    return MivFilteSearchData(text(), _selectedItemTag);
}

void MivFileSearchField::rebuildMenu()
{
    _menu->clear();
    QAction* label = _menu->addAction(tr("Filter"));
    label->setEnabled(false);
    label->setData(0);
    for (const Mode& mode : kModes) {
        QAction* item = _menu->addAction(QStringLiteral("    ") + tr(mode.title));
        item->setData(mode.tag);
        item->setCheckable(true);
        item->setChecked(mode.tag == _selectedItemTag);
        connect(item, &QAction::triggered, this, [this, item] { setSearchCategoryFrom(item); });
    }
    // The recent part shows only when there is something to recall.
    if (_recents.isEmpty())
        return;
    _menu->addSeparator()->setData(kTagRecentsTitle);
    QAction* title = _menu->addAction(tr("Recent Searches"));
    title->setEnabled(false);
    title->setData(kTagRecentsTitle);
    for (const QString& recent : _recents) {
        QAction* item = _menu->addAction(QStringLiteral("    ") + recent);
        item->setData(kTagRecent);
        connect(item, &QAction::triggered, this, [this, recent] { selectRecent(recent); });
    }
    _menu->addSeparator()->setData(kTagRecentsTitle);
    QAction* clear = _menu->addAction(tr("Clear Recent"));
    clear->setData(kTagClearRecents);
    connect(clear, &QAction::triggered, this, &MivFileSearchField::clearRecents);
}

void MivFileSearchField::setSearchCategoryFrom(QAction* item)
{
    if (!item)
        return;
    const int tag = item->data().toInt();
    if (tag == _selectedItemTag) {
        item->setChecked(true);  // a checkable item unchecks itself when triggered
        return;
    }
    _selectedItemTag = tag;
    MivContext::context()->setLastFilterOperation(tag);
    for (QAction* action : _menu->actions()) {
        if (action->isCheckable())
            action->setChecked(action->data().toInt() == tag);
    }
    Q_EMIT searchRequested();
    updateRecents();
}

void MivFileSearchField::updateRecents()
{
    const QString current = text();
    if (current.isEmpty())
        return;
    _recents.removeAll(current);
    _recents.prepend(current);
    while (_recents.size() > kMaximumRecents)
        _recents.removeLast();
    storeRecents();
}

void MivFileSearchField::updateData(const MivFilteSearchData* request)
{
    // Showing a request that is in force already asks for nothing.
    if (!request) {
        _showingRequest = true;
        setText(QString());
        _showingRequest = false;
        return;
    }
    if (request->option() >= MivFilteSearchData::RegExpMatches && request->option() <= MivFilteSearchData::EndsWith)
        _selectedItemTag = request->option();
    for (QAction* action : _menu->actions()) {
        if (action->isCheckable())
            action->setChecked(action->data().toInt() == _selectedItemTag);
    }
    _showingRequest = true;
    setText(request->phrase());
    _showingRequest = false;
}

void MivFileSearchField::storeRecents()
{
    MivUserDefaults::standardUserDefaults().setObject(_recents, QLatin1String(kRecentsAutosaveName));
    rebuildMenu();
}

void MivFileSearchField::selectRecent(const QString& recent)
{
    setText(recent);
    updateRecents();
}

void MivFileSearchField::clearRecents()
{
    _recents.clear();
    storeRecents();
}
