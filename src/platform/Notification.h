#pragma once

#include <QString>
#include <QVariantMap>

namespace plat {

// One posted notification. The object identifies the sender for matching
// only: it is never dereferenced, so a sender that is gone stays harmless.
struct Notification
{
    QString name;
    const void* object = nullptr;
    QVariantMap userInfo;
};

} // namespace plat
