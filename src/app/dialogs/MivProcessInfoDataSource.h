#pragma once

#include <QVariant>

// The work behind a process-info dialog and its say on cancelling.
class MivProcessInfoDataSource
{
public:
    virtual ~MivProcessInfoDataSource() = default;

    // Does the work; runs on the shared operation queue, not the GUI thread.
    virtual void processWithData(const QVariant& data) = 0;
    // GUI thread, from the Cancel button: true allows cancelling.
    virtual bool processCancel(const QVariant& data) = 0;
};
