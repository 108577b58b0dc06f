#include "app/panel/MivFilesViewController.h"

#include "FileData/MivExec.h"
#include "FileData/MivFileData.h"
#include "app/files-table/MivFilesTableView.h"
#include "app/filetools/MivSelectPatternWindowController.h"
#include "app/panel/MivFilesTableDataController.h"
#include "app/panel/MivFilesTableNotifications.h"
#include "app/settings/MivContext.h"
#include "platform/RegularExpression.h"
#include "platform/TimerSource.h"

#include <QWidget>

#include <chrono>

// The panel's selection commands (marks by pattern, extension, all, none,
// invert), type-to-select, and the delayed reaction to a moved highlight.
// All on the GUI thread.

namespace {

// Keyboard navigation fires a highlight change per row; the panel reacts
// once the highlight has rested this long.
constexpr std::chrono::milliseconds kSelectionHandleDelay{200};

// The panel keeps its last sheet; it may let go of it on a worker, so the
// sheet is deleted by its own thread's loop.
std::shared_ptr<MivSelectPatternWindowController> makeSelectPatternSheet(
    int actionType, const std::weak_ptr<MivFilesViewController>& panel)
{
    std::shared_ptr<MivSelectPatternWindowController> sheet(
        new MivSelectPatternWindowController(actionType),
        [](MivSelectPatternWindowController* dialog) { dialog->deleteLater(); });
    sheet->setController(panel);
    return sheet;
}

} // namespace

// --- Batches of mark changes ---

void MivFilesViewController::updateBeforeSelectionChange()
{
    postNotification(ksFilesTableMarkedSelectionChanging);
}

void MivFilesViewController::updateAfterSelectionChanged()
{
    if (m_filesTable)
        m_filesTable->viewport()->update();
    updateTotalDataView();
    postNotification(ksFilesTableMarkedSelectionChanged);
}

// --- Selection commands ---

QList<MivFileDataPtr> MivFilesViewController::dataByNameFilter(const QString& pattern, bool useRegExp) const
{
    // A wildcard pattern compiles through the same mechanism as the
    // colouring rules and the quick filter, so "*" and "?" mean the same
    // everywhere.
    const QString expression = useRegExp ? pattern : plat::RegularExpression::patternForWildcard(pattern);
    return m_arrayController->dataObjectsMatchingNamePattern(expression);
}

void MivFilesViewController::selectRowsWithFilter(const std::optional<QString>& pattern, bool useRegExp)
{
    updateBeforeSelectionChange();
    if (pattern) {
        for (const MivFileDataPtr& item : dataByNameFilter(*pattern, useRegExp))
            addToSelection(item);
    } else {
        clearSelection();
        for (const MivFileDataPtr& item : m_arrayController->dataObjects())
            addToSelection(item);
    }
    updateAfterSelectionChanged();
}

void MivFilesViewController::unselectRowsWithFilter(const std::optional<QString>& pattern, bool useRegExp)
{
    updateBeforeSelectionChange();
    if (pattern) {
        for (const MivFileDataPtr& item : dataByNameFilter(*pattern, useRegExp))
            deselect(item);
    } else {
        clearSelection();
    }
    updateAfterSelectionChanged();
}

void MivFilesViewController::selectAllWithCurrentExtension()
{
    updateBeforeSelectionChange();
    const MivFileDataPtr focused = m_arrayController->selectedObject();
    const QString extension = focused ? focused->extenssion() : QString();
    if (!extension.isEmpty()) {
        for (const MivFileDataPtr& item : m_arrayController->dataObjects()) {
            if (item->extenssion().compare(extension, Qt::CaseInsensitive) == 0)
                addToSelection(item);
        }
    }
    updateAfterSelectionChanged();
}

void MivFilesViewController::processInvertSelection()
{
    updateBeforeSelectionChange();
    for (const MivFileDataPtr& item : m_arrayController->dataObjects())
        updateSelection(item);
    updateAfterSelectionChanged();
}

void MivFilesViewController::setSelectionFromArray(const QList<MivFileDataPtr>& items)
{
    updateBeforeSelectionChange();
    clearSelection();
    for (const MivFileDataPtr& item : items)
        addToSelection(item);
    updateAfterSelectionChanged();
}

void MivFilesViewController::selectGroup()
{
    m_selectController = makeSelectPatternSheet(MivSelectPatternWindowController::kActionMark, weak_from_this());
    m_selectController->performOnSheetForWindow(m_filesTable ? m_filesTable->window() : nullptr);
}

void MivFilesViewController::unselectGroup()
{
    m_selectController = makeSelectPatternSheet(MivSelectPatternWindowController::kActionUnmark, weak_from_this());
    m_selectController->performOnSheetForWindow(m_filesTable ? m_filesTable->window() : nullptr);
}

// --- Type-to-select ---

int MivFilesViewController::searchIndexFor(const QString& typed, int referenceIndex) const
{
    const std::shared_ptr<MivContext> settings = MivContext::context();
    QString pattern;
    if (!settings->quickSearchBeginning())
        pattern += QLatin1String(".*?");
    pattern += plat::RegularExpression::escapedPattern(typed);
    if (!settings->quickSearchEnding()) {
        // The typed base name may go on before the typed extension: "ab.tx"
        // finds "abc.txt". A literal dot is always escaped, so the last
        // "\." is the typed text's last dot.
        const qsizetype dot = pattern.lastIndexOf(QLatin1String("\\."));
        if (dot >= 0)
            pattern.insert(dot, QLatin1String(".*?"));
    }
    pattern += QLatin1String(".*?");
    return m_arrayController->indexOfObjectMatchingNamePattern(pattern, referenceIndex);
}

bool MivFilesViewController::shouldTypeSelect(MivFilesTableView*)
{
    return MivContext::context()->quickSearchOption() == 1;
}

int MivFilesViewController::nextTypeSelectMatch(MivFilesTableView* view, int fromRow, const QString& typed)
{
    if (typed.isEmpty())
        return -1;
    // From the highlighted row the search starts after it. While the user
    // types, that is the row highlighted when the typing began: each further
    // letter refines the match from there instead of stepping past it.
    const int highlighted = view ? (view->typeSelectStartRow() >= 0 ? view->typeSelectStartRow() : view->selectedRow()) : -1;
    const int start = fromRow == highlighted ? fromRow + 1 : fromRow;
    QString text = typed;
    int found = searchIndexFor(text, start);
    if (found < 0)
        found = searchIndexFor(text, -start);  // wrap around: the rows above
    // A letter that leads nowhere keeps the row of the longest beginning that still does.
    while (found < 0) {
        text.chop(1);
        if (text.isEmpty())
            break;
        found = searchIndexFor(text, start);
    }
    return found;
}

// --- Delayed highlight handling ---

void MivFilesViewController::scheduleSelectionHandling()
{
    plat::TimerSource& timers = plat::TimerSource::current();
    if (m_selectionHandleDelayTimer != 0)
        timers.cancel(m_selectionHandleDelayTimer);
    // The task holds the panel weakly and the panel never cancels from its
    // destructor, which may run on a worker.
    m_selectionHandleDelayTimer = timers.schedule(kSelectionHandleDelay, [weak = weak_from_this()] {
        if (auto panel = weak.lock()) {
            panel->m_selectionHandleDelayTimer = 0;
            panel->handleSelectionChanged();
        }
    });
}

void MivFilesViewController::handleSelectionChanged()
{
    const MivFileDataPtr item = m_arrayController->selectedObject();
    if (!item)
        return;
    MivExec::runOnMainThreadAsync([weak = weak_from_this(), item] {
        auto panel = weak.lock();
        if (!panel)
            return;
        panel->postNotification(ksFilesTableStartOperationNotification);
        panel->postNotification(ksFilesTableSelectionChanged, {{QStringLiteral("context"), QVariant::fromValue(item)}});
        panel->postNotification(ksFilesTableStopOperationNotification);
    });
}
