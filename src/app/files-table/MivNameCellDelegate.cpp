#include "app/files-table/MivNameCellDelegate.h"

#include "FileData/MivFileData.h"
#include "FileData/MivFileDataKeys.h"
#include "FileData/MivIconDescriptor.h"
#include "app/files-table/MivFilesTableView.h"
#include "app/settings/MivContext.h"
#include "app/views/MivIconRenderer.h"

#include <QPaintDevice>
#include <QPainter>
#include <QPixmap>

MivNameCellDelegate::MivNameCellDelegate(MivFilesTableView* view) : MivTextCellDelegate(view)
{
}

QRectF MivNameCellDelegate::iconRect(const QRectF& rect)
{
    const int dw = int(rect.width() - kIconSize);
    const int dh = int(rect.height() - kIconSize);
    const double x = dw > 0 ? rect.x() + int(dw * 0.5) : rect.x();
    const double y = dh > 0 ? rect.y() + int(dh * 0.5) : rect.y();
    return QRectF(x, y, kIconSize, kIconSize);
}

QString MivNameCellDelegate::cellText(const QModelIndex& index, const MivFileDataPtr& item) const
{
    if (!item)
        return MivTextCellDelegate::cellText(index, item);
    return MivFileDataKeys::valueForKey(*item, view()->nameBindingKey()).toString();
}

QRect MivNameCellDelegate::paintDecoration(QPainter* painter, const QRect& cell, const MivFileDataPtr& item) const
{
    // The icon's column: the gap, then the square, within the row margin.
    const QRectF square =
        iconRect(MivContext::updateCellMargin(QRectF(cell.x() + kIconGap, cell.y(), kIconSize, cell.height())));
    if (item) {
        const QPixmap pixmap = MivIconRenderer::pixmapFor(item->icon(), QSize(kIconSize, kIconSize),
                                                          painter->device()->devicePixelRatioF());
        if (!pixmap.isNull())
            painter->drawPixmap(square.topLeft(), pixmap);
    }
    return cell.adjusted(kIconGap + kIconSize, 0, 0, 0);
}

QRect MivNameCellDelegate::editorRect(const QRect& cell) const
{
    return textRect(cell.adjusted(kIconGap + kIconSize, 0, 0, 0));
}
