#include "app/files-table/MivTextCellDelegate.h"

#include "app/files-table/IMivFilesTableViewDelegate.h"

#include "FileData/MivFileData.h"
#include "app/files-table/MivFilesTableView.h"
#include "app/panel/MivFilesTableDataController.h"
#include "app/settings/MivContext.h"

#include <QHeaderView>
#include <QPainter>

namespace {

constexpr int kTextPadding = 3;

} // namespace

MivTextCellDelegate::MivTextCellDelegate(MivFilesTableView* view) : QStyledItemDelegate(view), m_view(view)
{
}

MivFileDataPtr MivTextCellDelegate::itemAt(const QModelIndex& index)
{
    return index.data(MivFilesTableDataController::FileDataRole).value<MivFileDataPtr>();
}

QFont MivTextCellDelegate::cellFont(const QFont& base, const MivFileData* item)
{
    QFont font = base;
    font.setBold(item && item->isFolder() && MivContext::context()->boldFolders());
    return font;
}

QRect MivTextCellDelegate::textRect(const QRect& cell)
{
    return MivContext::updateCellMargin(QRectF(cell)).toRect();
}

QString MivTextCellDelegate::cellText(const QModelIndex& index, const MivFileDataPtr&) const
{
    return index.data(Qt::DisplayRole).toString();
}

QRect MivTextCellDelegate::paintDecoration(QPainter*, const QRect& cell, const MivFileDataPtr&) const
{
    return cell;
}

void MivTextCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const MivFileDataPtr item = itemAt(index);
    const bool highlighted = !m_view->isRowNotHighlighted(index.row());
    const QPalette::ColorGroup group = m_view->hasFocus() ? QPalette::Active : QPalette::Inactive;

    painter->save();
    // Rows are drawn over the stripes the view painted; only the highlight
    // has a background of its own.
    // The view's own palette: the option's highlight is cleared for the style.
    const QPalette& palette = m_view->palette();
    if (highlighted)
        painter->fillRect(option.rect, palette.color(group, QPalette::Highlight));

    const QRect area = paintDecoration(painter, option.rect, item);
    const QRect text = textRect(area).adjusted(kTextPadding, 0, -kTextPadding, 0);
    const QVariant foreground = index.data(Qt::ForegroundRole);
    QColor color = highlighted ? palette.color(group, QPalette::HighlightedText)
                   : foreground.canConvert<QColor>() && foreground.value<QColor>().isValid()
                       ? foreground.value<QColor>()
                       : palette.color(group, QPalette::Text);
    if (const IMivFilesTableViewDelegate* panel = m_view->tableDelegate()) {
        if (const QColor own = panel->textColorForItem(m_view, item, highlighted); own.isValid())
            color = own;
    }
    const QFont font = cellFont(option.font, item.get());
    painter->setFont(font);
    painter->setPen(color);
    const QString elided = QFontMetrics(font).elidedText(cellText(index, item), elideMode(), text.width());
    painter->drawText(text, int(cellAlignment()) | Qt::TextSingleLine, elided);
    painter->restore();
}

QSize MivTextCellDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    // Rows have one fixed height (the view's); widths are the columns'.
    return QSize(option.rect.width(), m_view->verticalHeader()->defaultSectionSize());
}
