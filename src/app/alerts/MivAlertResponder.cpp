#include "app/alerts/MivAlertResponder.h"

namespace {
MivAlertResponder* g_responder = nullptr;
} // namespace

void MivAlertResponder::install(MivAlertResponder* responder)
{
    g_responder = responder;
}

MivAlertResponder* MivAlertResponder::installed()
{
    return g_responder;
}

void MivAlertResponder::notifyShown(QDialog* dialog)
{
    if (g_responder && dialog)
        g_responder->dialogShown(dialog);
}
