#include "app/views/extensions/TextViewExtensions.h"

#include <QAbstractScrollArea>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace TextViewExtensions {

void wrapText(QPlainTextEdit* view, bool wrap)
{
    if (!view)
        return;
    view->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    view->setHorizontalScrollBarPolicy(wrap ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    view->viewport()->update();
}

void wrapText(QTextEdit* view, bool wrap)
{
    if (!view)
        return;
    view->setLineWrapMode(wrap ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
    view->setHorizontalScrollBarPolicy(wrap ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    view->viewport()->update();
}

QAbstractScrollArea* scrollView(QWidget* view)
{
    for (QWidget* parent = view ? view->parentWidget() : nullptr; parent; parent = parent->parentWidget())
        if (auto* area = qobject_cast<QAbstractScrollArea*>(parent))
            return area;
    return nullptr;
}

} // namespace TextViewExtensions
