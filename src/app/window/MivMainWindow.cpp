#include "app/window/MivMainWindow.h"

MivMainWindow::MivMainWindow(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainWindow"));
    // The first start has no saved frame yet.
    resize(1100, 700);
}

MivMainWindow::~MivMainWindow() = default;
