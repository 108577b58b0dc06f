#include "app/files-table/MivSmallMenuItem.h"

#include <QApplication>
#include <QFont>

MivSmallMenuItem::MivSmallMenuItem(const QString& title, QObject* parent) : QAction(title, parent)
{
    QFont small = QApplication::font("QMenu");
    small.setPointSizeF(qMax(1.0, small.pointSizeF() - 2));
    setFont(small);
    setCheckable(true);
}
