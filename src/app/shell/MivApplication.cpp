#include "app/shell/MivApplication.h"

#include <QWidget>

namespace {

QPointer<QWidget>& mainWindowPointer()
{
    static QPointer<QWidget> window;
    return window;
}

} // namespace

MivApplication::MivApplication(int& argc, char** argv) : QApplication(argc, argv) {}

MivApplication::~MivApplication() = default;

QWidget* MivApplication::mainWindow()
{
    return mainWindowPointer().data();
}

void MivApplication::setMainWindow(QWidget* window)
{
    mainWindowPointer() = window;
}
