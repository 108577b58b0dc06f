#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM and SIGINT quit the program the way its Quit command does (state
// saved, settings archive written), as a desktop session's logout expects.
// The handler only writes a byte to a pipe; the GUI thread reads it and asks
// the application to quit. One per process.
class MivQuitSignals : public QObject
{
    Q_OBJECT

public:
    explicit MivQuitSignals(QObject* parent = nullptr);
    ~MivQuitSignals() override;

    // False when the pipe or the handlers could not be installed.
    bool isInstalled() const { return m_notifier != nullptr; }

private:
    void drain();

    QSocketNotifier* m_notifier = nullptr;
};
