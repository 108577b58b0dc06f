#include "app/window/MivMainWindow.h"

MivMainWindow::MivMainWindow(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainWindow"));
}

MivMainWindow::~MivMainWindow() = default;
