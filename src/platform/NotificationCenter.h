#pragma once

#include "platform/Notification.h"
#include "platform/NotificationToken.h"

#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>

namespace plat {

// Named notifications, delivered synchronously on the posting thread to the
// observers registered for the name (and, when they gave one, the sender),
// in the order they registered. Observers that touch views hop to the GUI
// thread themselves.
//
// During a delivery observers may add and remove observers, themselves
// included; observers added meanwhile get the next notification. Once
// removeObserver returns, the observer is not called again; a call that had
// already started on another thread may still be running, so callbacks keep
// their owner through a weak_ptr.
class NotificationCenter
{
public:
    using ObserverId = NotificationToken::ObserverId;
    using Callback = std::function<void(const Notification&)>;

    NotificationCenter();
    ~NotificationCenter();
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    // The process-wide centre; it is never destroyed, so observers may be
    // removed at any point of the exit.
    static NotificationCenter& defaultCenter();

    // A null name observes every name; a null object every sender. Answers
    // the id that removes the observer (never 0).
    ObserverId addObserver(const QString& name, const void* object, Callback callback);
    // As addObserver; the token removes the observer when it is destroyed.
    [[nodiscard]] NotificationToken observe(const QString& name, const void* object, Callback callback);

    void removeObserver(ObserverId id);

    void post(const QString& name, const void* object = nullptr, const QVariantMap& userInfo = {});
    void post(const Notification& notification);

private:
    std::shared_ptr<detail::NotificationCenterState> m_state;
};

} // namespace plat
