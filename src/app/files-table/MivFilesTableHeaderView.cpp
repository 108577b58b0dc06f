#include "app/files-table/MivFilesTableHeaderView.h"

#include "app/files-table/MivFilesTableHeaderViewDelegate.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QStyleOptionHeader>

#include <memory>

MivFilesTableHeaderView::MivFilesTableHeaderView(QWidget* parent) : QHeaderView(Qt::Horizontal, parent)
{
    setSectionsMovable(true);
    setSectionsClickable(true);
    setSortIndicatorShown(true);
    setHighlightSections(false);
    setStretchLastSection(false);
    setSectionResizeMode(QHeaderView::Interactive);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setContextMenuPolicy(Qt::DefaultContextMenu);
}

void MivFilesTableHeaderView::setSectionTitle(int logicalIndex, const QString& title)
{
    m_titles.insert(logicalIndex, title);
    headerDataChanged(Qt::Horizontal, logicalIndex, logicalIndex);
}

QString MivFilesTableHeaderView::sectionTitle(int logicalIndex) const
{
    return m_titles.value(logicalIndex);
}

QMenu* MivFilesTableHeaderView::menuForEvent(QContextMenuEvent* event)
{
    auto* menu = new QMenu(QString(), this);
    if (m_delegate)
        m_delegate->tabHeaderView(this, menu, event);
    return menu;
}

void MivFilesTableHeaderView::contextMenuEvent(QContextMenuEvent* event)
{
    std::unique_ptr<QMenu> menu(menuForEvent(event));
    if (!menu->isEmpty())
        menu->exec(event->globalPos());
    event->accept();
}

void MivFilesTableHeaderView::initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const
{
    QHeaderView::initStyleOptionForIndex(option, logicalIndex);
    // Titles are the view's; the model only names the columns by id.
    const auto title = m_titles.constFind(logicalIndex);
    if (title != m_titles.constEnd())
        option->text = *title;
}
