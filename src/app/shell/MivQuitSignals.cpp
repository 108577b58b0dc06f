#include "app/shell/MivQuitSignals.h"

#include "platform/Log.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Written by the signal handler, so a plain int the handler can reach.
int g_signalPipe[2] = {-1, -1};

extern "C" void onQuitSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a pending quit.
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

MivQuitSignals::MivQuitSignals(QObject* parent) : QObject(parent)
{
    if (g_signalPipe[0] < 0 && ::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        MIV_LOG_ERROR(QStringLiteral("Cannot watch for quit signals: %1").arg(QString::fromLocal8Bit(strerror(errno))));
        return;
    }
    m_notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &MivQuitSignals::drain);

    struct sigaction action = {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

MivQuitSignals::~MivQuitSignals()
{
    if (!m_notifier)
        return;
    // Default dispositions again: nobody reads the pipe any more.
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
}

void MivQuitSignals::drain()
{
    char buffer[64];
    while (::read(g_signalPipe[0], buffer, sizeof buffer) > 0) {
    }
    MIV_LOG_INFO(QStringLiteral("Quit requested by signal"));
    QCoreApplication::quit();
}
