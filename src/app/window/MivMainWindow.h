#pragma once

#include <QMainWindow>

class IMivMainWindowDelegate;
class QAction;
class QKeyEvent;

// The program's one main window. Its controller (MivWinController) builds
// the content; closing the window quits the application.
//
// Beside that the window
// - announces every move of the keyboard focus among its widgets
//   ("FistResponderWillChangeNotification"), so that a transient editor
//   closes when the focus leaves it;
// - gives the space bar to the main-menu command that has it as its key,
//   even where the focused widget would type it (a text field);
// - lets Escape that no widget took close the quick view.
class MivMainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MivMainWindow(QWidget* parent = nullptr);
    ~MivMainWindow() override;

    // Not owned; cleared by passing null.
    void setWindowDelegate(IMivMainWindowDelegate* delegate) { m_delegate = delegate; }

    // For a key press of the space bar: runs the enabled main-menu command
    // whose key is that stroke and answers whether one ran.
    bool handleSpacebar(const QKeyEvent* event);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void focusMoved(QWidget* old, QWidget* now);
    QAction* menuActionForKey(const QKeyEvent* event) const;

    IMivMainWindowDelegate* m_delegate = nullptr;
};
