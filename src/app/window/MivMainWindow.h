#pragma once

#include <QMainWindow>

// The program's one main window. Its controller (MivWinController) builds
// the content; closing the window quits the application.
class MivMainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MivMainWindow(QWidget* parent = nullptr);
    ~MivMainWindow() override;
};
