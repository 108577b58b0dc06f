#include "app/MivApplicationMain.h"

#include <QApplication>
#include <QTimer>

#include <csignal>
#include <cstring>

int mivApplicationMain(int argc, char** argv)
{
    // Writes to a closed socket or pipe must fail with EPIPE, not end the process.
    std::signal(SIGPIPE, SIG_IGN);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("MIVO"));

    // Until the application shell exists the program starts and quits cleanly.
    QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return app.exec();
}
