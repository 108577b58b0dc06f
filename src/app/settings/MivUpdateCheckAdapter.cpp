#include "app/settings/MivUpdateCheckAdapter.h"

#include <QAbstractButton>

void MivUpdateCheckAdapter::checkForUpdates(QObject*) {}

void MivUpdateCheckAdapter::automaticallyChecksForUpdates(QAbstractButton* checkBox)
{
    if (checkBox)
        checkBox->setChecked(false);
}

void MivUpdateCheckAdapter::automaticallyDownloadsUpdates(QAbstractButton* checkBox)
{
    if (checkBox)
        checkBox->setChecked(false);
}
