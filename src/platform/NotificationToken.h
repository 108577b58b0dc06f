#pragma once

#include <QtGlobal>

#include <memory>

namespace plat {

namespace detail {
class NotificationCenterState;
}

// Keeps one observer registered while it lives. Movable, not copyable. It
// holds its centre weakly, so it may outlive the centre.
class NotificationToken
{
public:
    using ObserverId = quint64;

    NotificationToken() = default;
    ~NotificationToken();
    NotificationToken(NotificationToken&& other) noexcept;
    NotificationToken& operator=(NotificationToken&& other) noexcept;
    NotificationToken(const NotificationToken&) = delete;
    NotificationToken& operator=(const NotificationToken&) = delete;

    ObserverId id() const { return m_id; }
    bool isActive() const { return m_id != 0; }

    // Removes the observer now.
    void reset();

private:
    friend class NotificationCenter;
    NotificationToken(std::weak_ptr<detail::NotificationCenterState> state, ObserverId id);

    std::weak_ptr<detail::NotificationCenterState> m_state;
    ObserverId m_id = 0;
};

} // namespace plat
