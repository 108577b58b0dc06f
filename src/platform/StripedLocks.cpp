#include "platform/StripedLocks.h"

#include <array>
#include <cstdint>
#include <functional>

namespace plat {

namespace {

// One lock per cache line, so neighbouring stripes do not slow each other.
struct alignas(64) Stripe
{
    std::mutex mutex;
};

struct alignas(64) RecursiveStripe
{
    std::recursive_mutex mutex;
};

std::array<Stripe, StripedLocks::kStripeCount>& stripes()
{
    static std::array<Stripe, StripedLocks::kStripeCount> table;
    return table;
}

std::array<RecursiveStripe, StripedLocks::kStripeCount>& recursiveStripes()
{
    static std::array<RecursiveStripe, StripedLocks::kStripeCount> table;
    return table;
}

std::size_t stripeIndex(const void* address)
{
    // Heap objects are aligned to 16 bytes; mixing the higher bits spreads
    // items allocated in sequence across the table.
    auto value = reinterpret_cast<std::uintptr_t>(address) >> 4;
    value ^= value >> 17;
    value *= 0x9E3779B97F4A7C15ULL;
    value ^= value >> 29;
    return value % StripedLocks::kStripeCount;
}

} // namespace

std::mutex& StripedLocks::forAddress(const void* address) { return stripes()[stripeIndex(address)].mutex; }

std::recursive_mutex& StripedLocks::recursiveForAddress(const void* address)
{
    return recursiveStripes()[stripeIndex(address)].mutex;
}

} // namespace plat
