#pragma once

namespace plat {
class Error;
}

// The application's standard error alert: critical style, the error's
// description, one OK button, application-modal. It is what
// MivErrorPresenter shows once installViewServices has run.
class MivErrorAlert
{
public:
    MivErrorAlert() = delete;

    // Main thread; returns once the user has dismissed the alert.
    static void present(const plat::Error& error);
};
