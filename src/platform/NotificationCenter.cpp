#include "platform/NotificationCenter.h"

#include "platform/Mutex.h"

#include <QHash>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <mutex>
#include <utility>
#include <vector>

namespace plat {

namespace detail {

class NotificationCenterState
{
public:
    using ObserverId = NotificationCenter::ObserverId;

    struct Observer
    {
        ObserverId id = 0;
        QString name;
        const void* object = nullptr;
        NotificationCenter::Callback callback;
        // Set under the centre's lock by removal and read just before each
        // call, so a removal that has returned is never followed by a call.
        std::atomic<bool> removed{false};
    };
    using ObserverPtr = std::shared_ptr<Observer>;

    ObserverId add(const QString& name, const void* object, NotificationCenter::Callback callback)
    {
        auto observer = std::make_shared<Observer>();
        observer->name = name;
        observer->object = object;
        observer->callback = std::move(callback);
        MutexLock guard(m_mutex);
        observer->id = m_nextId++;
        listFor(name).push_back(observer);
        m_byId.insert(observer->id, observer);
        return observer->id;
    }

    void remove(ObserverId id)
    {
        ObserverPtr observer;
        {
            MutexLock guard(m_mutex);
            observer = m_byId.take(id);
            if (!observer)
                return;
            observer->removed.store(true, std::memory_order_release);
            std::vector<ObserverPtr>& list = listFor(observer->name);
            list.erase(std::find(list.begin(), list.end(), observer));
            if (list.empty() && !observer->name.isNull())
                m_byName.remove(observer->name);
        }
        // The callback may own objects whose destruction calls back into the
        // centre: it goes after the lock (or after a delivery still holding it).
    }

    void post(const Notification& notification)
    {
        std::vector<ObserverPtr> targets;
        {
            MutexLock guard(m_mutex);
            const auto matches = [&](const ObserverPtr& observer) {
                return !observer->object || observer->object == notification.object;
            };
            if (auto it = m_byName.constFind(notification.name); it != m_byName.constEnd() && !notification.name.isNull())
                std::copy_if(it->begin(), it->end(), std::back_inserter(targets), matches);
            const std::size_t named = targets.size();
            std::copy_if(m_anyName.begin(), m_anyName.end(), std::back_inserter(targets), matches);
            // Both lists are in registration order; merge them by id.
            if (named > 0 && targets.size() > named)
                std::inplace_merge(targets.begin(), targets.begin() + named, targets.end(),
                                   [](const ObserverPtr& a, const ObserverPtr& b) { return a->id < b->id; });
        }
        for (const ObserverPtr& observer : targets) {
            if (!observer->removed.load(std::memory_order_acquire))
                observer->callback(notification);
        }
    }

private:
    std::vector<ObserverPtr>& listFor(const QString& name) MIV_REQUIRES(m_mutex) { return name.isNull() ? m_anyName : m_byName[name]; }

    Mutex m_mutex;
    ObserverId m_nextId MIV_GUARDED_BY(m_mutex) = 1;
    QHash<QString, std::vector<ObserverPtr>> m_byName MIV_GUARDED_BY(m_mutex);
    std::vector<ObserverPtr> m_anyName MIV_GUARDED_BY(m_mutex);
    QHash<ObserverId, ObserverPtr> m_byId MIV_GUARDED_BY(m_mutex);
};

} // namespace detail

NotificationCenter::NotificationCenter()
    : m_state(std::make_shared<detail::NotificationCenterState>())
{
}

NotificationCenter::~NotificationCenter() = default;

NotificationCenter& NotificationCenter::defaultCenter()
{
    static NotificationCenter* const center = new NotificationCenter;
    return *center;
}

NotificationCenter::ObserverId NotificationCenter::addObserver(const QString& name, const void* object,
                                                               Callback callback)
{
    return m_state->add(name, object, std::move(callback));
}

NotificationToken NotificationCenter::observe(const QString& name, const void* object, Callback callback)
{
    return NotificationToken(m_state, addObserver(name, object, std::move(callback)));
}

void NotificationCenter::removeObserver(ObserverId id)
{
    m_state->remove(id);
}

void NotificationCenter::post(const QString& name, const void* object, const QVariantMap& userInfo)
{
    post(Notification{name, object, userInfo});
}

void NotificationCenter::post(const Notification& notification)
{
    m_state->post(notification);
}

NotificationToken::NotificationToken(std::weak_ptr<detail::NotificationCenterState> state, ObserverId id)
    : m_state(std::move(state))
    , m_id(id)
{
}

NotificationToken::~NotificationToken()
{
    reset();
}

NotificationToken::NotificationToken(NotificationToken&& other) noexcept
    : m_state(std::move(other.m_state))
    , m_id(std::exchange(other.m_id, 0))
{
}

NotificationToken& NotificationToken::operator=(NotificationToken&& other) noexcept
{
    if (this != &other) {
        reset();
        m_state = std::move(other.m_state);
        m_id = std::exchange(other.m_id, 0);
    }
    return *this;
}

void NotificationToken::reset()
{
    if (m_id == 0)
        return;
    if (auto state = m_state.lock())
        state->remove(m_id);
    m_id = 0;
    m_state.reset();
}

} // namespace plat
