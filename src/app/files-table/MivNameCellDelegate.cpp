#include "app/files-table/MivNameCellDelegate.h"

#include "FileData/MivFileData.h"
#include "FileData/MivFileDataKeys.h"
#include "FileData/MivIconDescriptor.h"
#include "app/files-table/MivFilesTableView.h"
#include "app/settings/MivContext.h"

#include <QHash>
#include <QPainter>

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

QIcon MivNameCellDelegate::iconFor(const MivIconDescriptorPtr& descriptor)
{
    if (!descriptor)
        return {};
    // GUI thread only (painting), so a plain cache serves; theme lookups are
    // the slow part of drawing a row.
    static QHash<QString, QIcon> cache;
    const QString key = descriptor->filePath().isEmpty()
                            ? descriptor->themeName() + QLatin1Char('|') + descriptor->fallbackThemeNames().join(QLatin1Char('|'))
                            : QStringLiteral("file:") + descriptor->filePath();
    const auto found = cache.constFind(key);
    if (found != cache.constEnd())
        return *found;
    QIcon icon;
    if (!descriptor->filePath().isEmpty())
        icon = QIcon(descriptor->filePath());
    if (icon.isNull() && !descriptor->themeName().isEmpty())
        icon = QIcon::fromTheme(descriptor->themeName());
    for (const QString& fallback : descriptor->fallbackThemeNames()) {
        if (!icon.isNull())
            break;
        icon = QIcon::fromTheme(fallback);
    }
    cache.insert(key, icon);
    return icon;
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
        const QIcon icon = iconFor(item->icon());
        if (!icon.isNull())
            icon.paint(painter, square.toAlignedRect(), Qt::AlignCenter);
    }
    return cell.adjusted(kIconGap + kIconSize, 0, 0, 0);
}

QRect MivNameCellDelegate::editorRect(const QRect& cell) const
{
    return textRect(cell.adjusted(kIconGap + kIconSize, 0, 0, 0));
}
