#pragma once

class QDialog;

// Told about every alert, sheet and modal dialog the moment it is on screen
// and about to wait for the user. The program installs none; tests install
// one that answers with preset buttons, so the real dialog runs its real
// code and no test waits for a person. Main thread only.
class MivAlertResponder
{
public:
    virtual ~MivAlertResponder() = default;

    // The dialog is shown and its loop (or sheet) is about to wait. Answer
    // later (a queued call), not from inside this call.
    virtual void dialogShown(QDialog* dialog) = 0;

    // Not owned; the installer keeps it alive until it installs nullptr.
    static void install(MivAlertResponder* responder);
    static MivAlertResponder* installed();

    // Called by whatever runs a dialog, right after showing it.
    static void notifyShown(QDialog* dialog);
};
