#pragma once

#include "FileData/Local/SystemFixture.h"
#include "FileData/MivFileDataManager.h"
#include "platform/PathString.h"

#include <QDir>

namespace tabstest {

// The item factory's hooks, a home folder, and the recorded machine's mount
// table in place of this machine's: what a side's drive bar is built from.
class TabsEnvironment
{
public:
    TabsEnvironment()
    {
        MivFileDataManager::registerHooks();
        QDir().mkpath(plat::PathString::homeDirectory());
    }

    systemtest::RecordedSystem system;
};

} // namespace tabstest
