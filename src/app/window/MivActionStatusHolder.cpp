#include "app/window/MivActionStatusHolder.h"

#include "platform/NotificationCenter.h"

const QString MivActionStatusHolder::kActionsStateChangedNotification = QStringLiteral("ActionsStateChangedNotification");

MivActionStatusHolder& MivActionStatusHolder::sharedInstance()
{
    // Never destroyed: readers may ask while the process quits.
    static MivActionStatusHolder* const instance = new MivActionStatusHolder();
    return *instance;
}

void MivActionStatusHolder::installListeners()
{
    m_listenersInstalled = true;
}

void MivActionStatusHolder::activeTableChanged()
{
    notify();
}

void MivActionStatusHolder::notify()
{
    plat::NotificationCenter::defaultCenter().post(kActionsStateChangedNotification, this);
}
