#include "platform/ConcurrentQueue.h"

#include "platform/TaskGuard.h"
#include "platform/NoDestructor.h"
#include "platform/WorkerPool.h"

#include <array>

namespace plat {

ConcurrentQueuePtr ConcurrentQueue::create(const QString& label, int qos)
{
    return ConcurrentQueuePtr(new ConcurrentQueue(label, qos));
}

ConcurrentQueuePtr ConcurrentQueue::global(int qos)
{
    static const NoDestructor<std::array<ConcurrentQueuePtr, 5>> queues(std::array<ConcurrentQueuePtr, 5>{
        create(QStringLiteral("plat.global.qos-%1").arg(Qos::UserInteractive), Qos::UserInteractive),
        create(QStringLiteral("plat.global.qos-%1").arg(Qos::UserInitiated), Qos::UserInitiated),
        create(QStringLiteral("plat.global.qos-%1").arg(Qos::Default), Qos::Default),
        create(QStringLiteral("plat.global.qos-%1").arg(Qos::Utility), Qos::Utility),
        create(QStringLiteral("plat.global.qos-%1").arg(Qos::Background), Qos::Background),
    });
    switch (Qos::band(qos)) {
    case Qos::UserInteractive:
        return (*queues)[0];
    case Qos::UserInitiated:
        return (*queues)[1];
    case Qos::Utility:
        return (*queues)[3];
    case Qos::Background:
        return (*queues)[4];
    default:
        return (*queues)[2];
    }
}

ConcurrentQueue::ConcurrentQueue(const QString& label, int qos)
    : m_label(label)
    , m_qos(Qos::band(qos))
{
}

bool ConcurrentQueue::runSynchronously(Task task)
{
    detail::runGuarded(task, m_label);
    return true;
}

void ConcurrentQueue::async(Task task)
{
    WorkerPool::forQos(m_qos).submit(m_label, std::move(task));
}

} // namespace plat
