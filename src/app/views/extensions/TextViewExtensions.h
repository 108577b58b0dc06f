#pragma once

class QAbstractScrollArea;
class QPlainTextEdit;
class QTextEdit;
class QWidget;

// Line wrapping of the viewer's and editor's text views. Main thread.
namespace TextViewExtensions {

// On: lines wrap at the view's width and the horizontal scroll bar goes;
// off: lines run on and the horizontal scroll bar comes back as needed.
void wrapText(QPlainTextEdit* view, bool wrap);
void wrapText(QTextEdit* view, bool wrap);

// The nearest enclosing scroll area of the widget (its parent when that is
// one, else further up); null when there is none.
QAbstractScrollArea* scrollView(QWidget* view);

} // namespace TextViewExtensions
