#pragma once

#include <QList>
#include <QString>

namespace plat {

// The user and group accounts of this machine, from the password and group
// databases (getpwent/getgrent, so NSS sources are included).
//
// System accounts are told by their id, as login.defs draws the line: ids
// from 1 below UID_MIN/GID_MIN (1000 by default) and above UID_MAX/GID_MAX
// (60000 by default, where nobody and nogroup live). The administrator (0)
// is no system account: owning a file by root is a choice users make.
class Accounts
{
public:
    struct Account
    {
        QString name;
        quint32 id = 0;
        // The first field of a user's GECOS text; empty for groups and for
        // users without one.
        QString realName;
    };

    Accounts() = delete;

    // In the order the databases give them.
    static QList<Account> users();
    static QList<Account> groups();

    static bool isSystemUser(quint32 uid);
    static bool isSystemGroup(quint32 gid);
};

} // namespace plat
