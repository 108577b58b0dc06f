#include "platform/ThreadInfo.h"

#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace plat {

namespace {
thread_local QString t_label;
}

void setCurrentThreadLabel(const QString& label)
{
    t_label = label;
    QByteArray kernelName = label.toUtf8();
    if (kernelName.size() > 15)
        kernelName = kernelName.right(15);
    pthread_setname_np(pthread_self(), kernelName.constData());
}

QString currentThreadLabel()
{
    return t_label;
}

QString currentThreadIdText()
{
    thread_local const QString id = QString::number(static_cast<long>(::syscall(SYS_gettid)));
    return id;
}

} // namespace plat
