#pragma once

namespace plat {

// Quality-of-service bands, in the numbering that callers pass through
// unchanged. Each band has its own worker pool.
namespace Qos {
constexpr int UserInteractive = 33;
constexpr int UserInitiated = 25;
constexpr int Default = 21;
constexpr int Utility = 17;
constexpr int Background = 9;
// "No class given": treated as Default.
constexpr int Unspecified = 0;

// The band a value falls into: values between bands round down to the band
// below, anything above user-interactive is user-interactive, anything below
// utility (but given) is background, and Unspecified is Default.
constexpr int band(int qos)
{
    if (qos == Unspecified)
        return Default;
    if (qos >= UserInteractive)
        return UserInteractive;
    if (qos >= UserInitiated)
        return UserInitiated;
    if (qos >= Default)
        return Default;
    if (qos >= Utility)
        return Utility;
    return Background;
}
} // namespace Qos

// Priorities of the global concurrent queues, and the band each maps to.
namespace GlobalQueuePriority {
constexpr long High = 2;
constexpr long Default = 0;
constexpr long Low = -2;
constexpr long Background = -32768; // as the platform numbers it

// Priorities between the named ones round down (towards background).
constexpr int qos(long priority)
{
    if (priority >= High)
        return Qos::UserInitiated;
    if (priority >= Default)
        return Qos::Default;
    if (priority >= Low)
        return Qos::Utility;
    return Qos::Background;
}
} // namespace GlobalQueuePriority

} // namespace plat
