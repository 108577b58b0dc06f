#include "app/alerts/MivErrorAlert.h"

#include "app/alerts/MivAlert.h"

#include "platform/Error.h"

#include <QCoreApplication>

#include <memory>

void MivErrorAlert::present(const plat::Error& error)
{
    auto alert = std::make_unique<MivAlert>();
    alert->setAlertStyle(MivAlert::Style::Critical);
    alert->setMessageText(error.localizedDescription());
    alert->addButtonWithTitle(QCoreApplication::translate("MivErrorAlert", "OK"));
    alert->runModal();
}
