#include "app/files-table/MivFilesTableView.h"

#include "FileData/MivExec.h"
#include "app/files-table/IMivFilesTableViewDelegate.h"
#include "app/files-table/MivDateCellDelegate.h"
#include "app/files-table/MivEditTextField.h"
#include "app/files-table/MivFilesTableHeaderView.h"
#include "app/files-table/MivNameCellDelegate.h"
#include "app/files-table/MivPermsCellDelegate.h"
#include "app/files-table/MivSizeCellDelegate.h"
#include "app/files-table/MivTextCellDelegate.h"
#include "app/panel/IFilesViewDataSource.h"
#include "app/panel/MivFilesTableDataController.h"
#include "app/settings/MivContext.h"
#include "platform/NotificationCenter.h"

#include <QApplication>
#include <QCursor>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QStyleOptionViewItem>

#include <algorithm>
#include <cmath>

using namespace std::chrono_literals;

namespace {

const QString kNameColumn = QStringLiteral("kol_name");

bool isModifierKey(int key)
{
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta
           || key == Qt::Key_AltGr || key == Qt::Key_CapsLock;
}

// The same press without modifiers: Qt's single selection would let
// Ctrl-click clear the highlight, and the modifiers mean marking here.
QMouseEvent withoutModifiers(const QMouseEvent* event)
{
    return QMouseEvent(event->type(), event->position(), event->scenePosition(), event->globalPosition(),
                       event->button(), event->buttons(), Qt::NoModifier, event->pointingDevice());
}

} // namespace

MivFilesTableView::MivFilesTableView(QWidget* parent)
    : QTableView(parent), m_header(new MivFilesTableHeaderView(this)), m_columns(MivFilesTableColumn::defaultColumns())
{
    setHorizontalHeader(m_header);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setAlternatingRowColors(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setFocusPolicy(Qt::StrongFocus);
    // Fixed rows of one height: a reset of 100,000 rows measures nothing.
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    // The view paints its whole background (the stripes) itself.
    viewport()->setAutoFillBackground(false);
    m_standardBackground = palette().color(QPalette::Base);

    for (qsizetype i = 0; i < m_columns.size(); ++i) {
        MivTextCellDelegate* cell = nullptr;
        switch (m_columns.at(i).cellKind) {
        case MivFilesTableColumn::CellKind::Name: cell = new MivNameCellDelegate(this); break;
        case MivFilesTableColumn::CellKind::Size: cell = new MivSizeCellDelegate(this); break;
        case MivFilesTableColumn::CellKind::Date: cell = new MivDateCellDelegate(this); break;
        case MivFilesTableColumn::CellKind::Perms: cell = new MivPermsCellDelegate(this); break;
        case MivFilesTableColumn::CellKind::Text: cell = new MivTextCellDelegate(this); break;
        }
        setItemDelegateForColumn(int(i), cell);
    }

    connect(m_header, &QHeaderView::sectionClicked, this, &MivFilesTableView::headerClicked);
    connect(m_header, &QHeaderView::sectionMoved, this, [this] { Q_EMIT columnMoved(); });
    connect(m_header, &QHeaderView::sectionResized, this, [this](int logical, int oldSize, int newSize) {
        // A hidden section reports 0; its width is the one it had shown.
        // Hiding and showing are no change of width.
        if (logical < 0 || logical >= m_columns.size() || m_header->isSectionHidden(logical) || newSize == 0
            || oldSize == 0)
            return;
        m_columns[logical].width = newSize;
        Q_EMIT columnResized();
    });

    updatePreferences();
    updateFontPreferences();
}

MivFilesTableView::~MivFilesTableView() = default;

// --- Model and highlight ---

void MivFilesTableView::setDataController(MivFilesTableDataController* controller)
{
    if (m_controller)
        disconnect(m_controller, nullptr, this, nullptr);
    m_controller = controller;
    setModel(controller);
    if (!controller)
        return;
    installColumns();
    connect(controller, &MivFilesTableDataController::selectionIndexChanged, this,
            &MivFilesTableView::syncSelectionFromController);
    connect(controller, &QAbstractItemModel::modelReset, this,
            [this] { syncSelectionFromController(m_controller->selectionIndex()); });
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this, &MivFilesTableView::selectionRowChanged);
    m_sortDescriptors = controller->sortDescriptors();
    m_sortData = m_sortDescriptors.isEmpty() ? std::nullopt : std::optional(m_sortDescriptors.first());
    const int sortColumn = m_sortData ? columnForSortKey(m_sortData->key) : -1;
    m_header->setSortIndicator(sortColumn, m_sortData && !m_sortData->ascending ? Qt::DescendingOrder : Qt::AscendingOrder);
    syncSelectionFromController(controller->selectionIndex());
}

void MivFilesTableView::installColumns()
{
    for (qsizetype i = 0; i < m_columns.size(); ++i) {
        const MivFilesTableColumn& column = m_columns.at(i);
        m_header->setSectionTitle(int(i), column.title);
        m_header->resizeSection(int(i), int(std::lround(column.width)));
        m_header->setSectionHidden(int(i), column.hidden);
    }
    updateColumnBindings(m_controller);
}

void MivFilesTableView::selectionRowChanged(const QModelIndex& current)
{
    if (m_syncingSelection || !m_controller)
        return;
    m_controller->setSelectionIndex(current.isValid() ? current.row() : -1);
}

void MivFilesTableView::syncSelectionFromController(int row)
{
    if (!m_controller)
        return;
    {
        const QScopedValueRollback guard(m_syncingSelection, true);
        if (row < 0) {
            selectionModel()->clear();
        } else {
            const int column = qMax(0, m_header->logicalIndex(0));
            selectionModel()->setCurrentIndex(m_controller->index(row, column),
                                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        }
    }
    viewport()->update();
    if (m_delegate)
        m_delegate->tableViewSelectionDidChange(this);
}

int MivFilesTableView::selectedRow() const
{
    return m_controller ? m_controller->selectionIndex() : -1;
}

void MivFilesTableView::selectRowIndexes(int row)
{
    MivExec::runOnMainThread([this, row] {
        if (m_controller)
            m_controller->setSelectionIndex(row);
    });
}

bool MivFilesTableView::isRowNotHighlighted(int row) const
{
    return m_highlightStyle == kHighlightNone || row != selectedRow();
}

void MivFilesTableView::gotoElement(int index)
{
    const int rows = m_controller ? m_controller->rowCount() : 0;
    // An empty table has no row to move to.
    if (rows == 0)
        return;
    if (index >= rows)
        index = rows - 1;
    if (index < 1)
        index = 0;
    selectRowIndexes(index);
    scrollTo(m_controller->index(index, qMax(0, m_header->logicalIndex(0))));
}

void MivFilesTableView::gotoRowByOffset(int offset)
{
    gotoElement(selectedRow() + offset);
}

int MivFilesTableView::pageSize() const
{
    const int rowHeight = verticalHeader()->defaultSectionSize();
    return rowHeight > 0 ? viewport()->height() / rowHeight : 0;
}

void MivFilesTableView::pageMove(int direction)
{
    int step = pageSize() - 1;
    if (step < 6)
        step = 5;
    gotoRowByOffset(step * direction);
}

int MivFilesTableView::rowAtViewportY(int y) const
{
    return rowAt(y);
}

// --- Focus look ---

void MivFilesTableView::setHighlightStyle(int style)
{
    if (m_highlightStyle == style)
        return;
    m_highlightStyle = style;
    viewport()->update();
}

void MivFilesTableView::updateFirstRespIndicator()
{
    const int wanted = int(MivContext::context()->tableHighlight());
    if (m_highlightStyle != wanted)
        setHighlightStyle(wanted);
}

void MivFilesTableView::focusInEvent(QFocusEvent* event)
{
    QTableView::focusInEvent(event);
    plat::NotificationCenter::defaultCenter().post(QStringLiteral("FilesComponentActivatedNotification"),
                                                   dynamic_cast<const void*>(m_delegate));
    if (m_delegate)
        m_delegate->tableViewSelectionDidChange(this);
    // The clicked row becomes the highlight through the press itself,
    // which Qt delivers right after the focus.
    updateFirstRespIndicator();
    // The click that activated the panel never starts a rename.
    enableClickToRenameAfterDelay();
}

void MivFilesTableView::focusOutEvent(QFocusEvent* event)
{
    // Our own rename editor taking the focus leaves the panel active.
    if (m_editor && QApplication::focusWidget() == m_editor) {
        QTableView::focusOutEvent(event);
        return;
    }
    if (!MivContext::context()->showHighlightOnInactive())
        setHighlightStyle(kHighlightNone);
    QTableView::focusOutEvent(event);
    if (m_delegate)
        m_delegate->redisplayPathFinder();
}

// --- Background ---

void MivFilesTableView::setStandardBackgroundColor(const QColor& color)
{
    m_standardBackground = color;
    viewport()->update();
}

void MivFilesTableView::setAlternateBackgroundColor(const QColor& color)
{
    m_alternateBackground = color;
    viewport()->update();
}

void MivFilesTableView::paintStripes(const QRect& clip)
{
    QPainter painter(viewport());
    painter.fillRect(clip, m_standardBackground);
    if (!m_alternateBackground.isValid())
        return;
    // Even rows take the alternate colour, also the virtual rows past the
    // last one, so the pattern reaches the bottom edge.
    const int pitch = verticalHeader()->defaultSectionSize();
    if (pitch <= 0)
        return;
    const int offset = verticalOffset();
    const int width = clip.x() + clip.width();
    for (int i = (clip.top() + offset) / pitch;; ++i) {
        const int y = i * pitch - offset;
        if (y > clip.bottom())
            break;
        if (i % 2 == 0)
            painter.fillRect(QRect(0, y, width, pitch), m_alternateBackground);
    }
}

void MivFilesTableView::paintEvent(QPaintEvent* event)
{
    paintStripes(event->rect());
    QTableView::paintEvent(event);
}

void MivFilesTableView::scrollContentsBy(int dx, int dy)
{
    QTableView::scrollContentsBy(dx, dy);
    if (dy != 0)
        m_scrollTimer.start(100ms, [this] { Q_EMIT scrollSettled(); });
}

// --- Keys and commands ---

bool MivFilesTableView::event(QEvent* event)
{
    // Tab belongs to the panel, before Qt's focus chain sees it.
    if (event->type() == QEvent::KeyPress && m_viewDataSource) {
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        if (keyEvent->key() == Qt::Key_Tab || keyEvent->key() == Qt::Key_Backtab) {
            m_viewDataSource->processInsertKey(this);
            event->accept();
            return true;
        }
    }
    return QTableView::event(event);
}

void MivFilesTableView::keyPressEvent(QKeyEvent* event)
{
    if (isModifierKey(event->key())) {
        if (m_viewDataSource)
            m_viewDataSource->flagsChanged(this, event);
        QTableView::keyPressEvent(event);
        return;
    }
    if (m_viewDataSource && !m_viewDataSource->processKeyDown(this, event)) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cancelOperation();
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        copy();
    } else if (event->matches(QKeySequence::Cut)) {
        cut();
    } else if (event->matches(QKeySequence::Paste)) {
        paste();
    } else if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
    } else {
        QTableView::keyPressEvent(event);
        return;
    }
    event->accept();
}

void MivFilesTableView::keyboardSearch(const QString& search)
{
    if (search.isEmpty() || !m_delegate || !m_delegate->shouldTypeSelect(this))
        return;
    // Every key of one burst searches from where the burst began, so each
    // further letter refines the match instead of stepping past it.
    if (m_typeSelectText.isEmpty())
        m_typeSelectStartRow = std::max(0, selectedRow());
    m_typeSelectText += search;
    m_typeSelectTimer.start(std::chrono::milliseconds(QApplication::keyboardInputInterval()),
                            [this] { m_typeSelectText.clear(); });
    const int row = m_delegate->nextTypeSelectMatch(this, m_typeSelectStartRow, m_typeSelectText);
    if (row >= 0)
        gotoElement(row);
}

void MivFilesTableView::keyReleaseEvent(QKeyEvent* event)
{
    if (isModifierKey(event->key()) && m_viewDataSource)
        m_viewDataSource->flagsChanged(this, event);
    QTableView::keyReleaseEvent(event);
}

void MivFilesTableView::copy()
{
    if (m_viewDataSource)
        m_viewDataSource->processCopy();
}

void MivFilesTableView::cut()
{
    // Files are never cut away: cutting copies, as the menu command does.
    copy();
}

void MivFilesTableView::paste()
{
    if (m_viewDataSource)
        m_viewDataSource->processPaste();
}

void MivFilesTableView::selectAll()
{
    // Marks all items; the highlight stays one row.
    if (m_viewDataSource)
        m_viewDataSource->selectAll();
}

void MivFilesTableView::cancelOperation()
{
    if (!m_editor)
        return;
    abortEditing();
    setFocus(Qt::OtherFocusReason);
}

// --- Mouse and click-to-rename ---

void MivFilesTableView::mousePressEvent(QMouseEvent* event)
{
    const int row = rowAtViewportY(int(event->position().y()));
    const bool left = event->button() == Qt::LeftButton;
    if (left && (event->modifiers() & Qt::ShiftModifier) && row >= 0 && m_viewDataSource)
        m_viewDataSource->processControlKey(QStringLiteral("FilesTableControlKeyAddSelectionRange"),
                                            {{QStringLiteral("row"), row}});
    QMouseEvent plain = withoutModifiers(event);
    QTableView::mousePressEvent(&plain);
    event->setAccepted(plain.isAccepted());
    if (!left)
        return;
    if (m_canRename && row >= 0 && m_lastClickedRow >= 0 && row == m_lastClickedRow)
        startRenameTimer(500ms, &MivFilesTableView::renameByTimer);
    m_lastClickedRow = row;
    if ((event->modifiers() & Qt::ControlModifier) && m_viewDataSource)
        m_viewDataSource->processControlKey(QStringLiteral("FilesTableControlKeyMouseSelect"), {});
}

void MivFilesTableView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QMouseEvent plain = withoutModifiers(event);
    QTableView::mouseDoubleClickEvent(&plain);
    event->setAccepted(plain.isAccepted());
    if (event->button() != Qt::LeftButton)
        return;
    // Also drops a rename the first click armed.
    enableClickToRenameAfterDelay();
    if ((event->modifiers() & Qt::ControlModifier) && m_viewDataSource)
        m_viewDataSource->processControlKey(QStringLiteral("FilesTableControlKeyMouseSelect"), {});
}

void MivFilesTableView::mouseReleaseEvent(QMouseEvent* event)
{
    QMouseEvent plain = withoutModifiers(event);
    QTableView::mouseReleaseEvent(&plain);
    event->setAccepted(plain.isAccepted());
}

void MivFilesTableView::initViewItemOption(QStyleOptionViewItem* option) const
{
    QTableView::initViewItemOption(option);
    // The style would fill selected rows before the cells draw; the cells
    // draw the highlight themselves, and only while the table shows one.
    option->palette.setBrush(QPalette::Highlight, Qt::transparent);
}

void MivFilesTableView::startRenameTimer(std::chrono::milliseconds delay, void (MivFilesTableView::*slot)())
{
    m_timer.start(delay, [this, slot] { (this->*slot)(); });
}

void MivFilesTableView::enableClickToRenameAfterDelay()
{
    m_canRename = false;
    m_lastClickedRow = -1;
    startRenameTimer(200ms, &MivFilesTableView::enableClickToRenameByTimer);
}

void MivFilesTableView::enableClickToRenameByTimer()
{
    m_canRename = true;
}

void MivFilesTableView::renameByTimer()
{
    if (!m_canRename)
        return;
    // The pointer must still rest on the highlighted row.
    const QPoint pointer = viewport()->mapFromGlobal(QCursor::pos());
    const int row = viewport()->rect().contains(pointer) ? rowAtViewportY(pointer.y()) : -1;
    const int selected = selectedRow();
    if (selected >= 0 && selected == row && m_delegate)
        editRow(row);
}

void MivFilesTableView::editRow(int row)
{
    const int column = columnForIdentifier(kNameColumn);
    if (column < 0 || !m_controller || !m_delegate || m_editor)
        return;
    if (!m_delegate->shouldEditTableColumn(this, kNameColumn, row))
        return;
    const QModelIndex index = m_controller->index(row, column);
    auto* cell = qobject_cast<MivNameCellDelegate*>(itemDelegateForColumn(column));
    const QRect cellRect = visualRect(index);
    auto* editor = new MivEditTextField(viewport());
    editor->setFont(font());
    editor->setGeometry(cell ? cell->editorRect(cellRect) : cellRect);
    editor->setText(index.data(Qt::DisplayRole).toString());
    editor->selectAll();
    m_editor = editor;
    m_editedRow = row;
    m_delegate->prepareEditor(editor, row);
    connect(editor, &MivEditTextField::returnPressed, this, [this] { finishEditing(true); });
    connect(editor, &MivEditTextField::cancelled, this, [this] { cancelOperation(); });
    connect(editor, &QLineEdit::editingFinished, this, [this] { finishEditing(true); });
    editor->show();
    editor->setFocus(Qt::OtherFocusReason);
}

void MivFilesTableView::abortEditing()
{
    finishEditing(false);
}

void MivFilesTableView::finishEditing(bool commit)
{
    if (!m_editor)
        return;
    MivEditTextField* editor = m_editor;
    const bool hadFocus = editor->hasFocus();
    const QString value = editor->text();
    const int row = m_editedRow;
    m_editor = nullptr;
    m_editedRow = -1;
    editor->hide();
    editor->deleteLater();
    if (commit && m_delegate)
        m_delegate->setObjectValue(value, row);
    // The table is the panel's focus again: announced anew, rename paused.
    if (commit && hadFocus)
        setFocus(Qt::OtherFocusReason);
}
