#pragma once

#include <QApplication>
#include <QPointer>

// The program's application object. Also the one place where the rest of
// the program finds the main window (Qt has no notion of one).
class MivApplication : public QApplication
{
    Q_OBJECT

public:
    MivApplication(int& argc, char** argv);
    ~MivApplication() override;

    // GUI thread. Null until start-up made the window, and after it went.
    static QWidget* mainWindow();
    static void setMainWindow(QWidget* window);
};
