#include "seed_clock.h"

#include <atomic>
#include <ctime>

namespace {
// The pinned time and whether it is in force; atomics because the dialog's
// thread may set it while a worker renders.
std::atomic<bool> pinned{false};
std::atomic<int64_t> pinnedSeconds{0};
}  // namespace

uint32_t seedTimeNow()
{
    if (pinned.load(std::memory_order_acquire))
        return static_cast<uint32_t>(pinnedSeconds.load(std::memory_order_relaxed));
    return static_cast<uint32_t>(static_cast<int64_t>(std::time(nullptr)));
}

void setSeedTime(std::optional<int64_t> seconds)
{
    if (seconds) {
        pinnedSeconds.store(*seconds, std::memory_order_relaxed);
        pinned.store(true, std::memory_order_release);
    } else {
        pinned.store(false, std::memory_order_release);
    }
}

int64_t pinSeedTime(std::optional<int64_t> seconds)
{
    const int64_t pinnedTo = seconds ? *seconds : static_cast<int64_t>(std::time(nullptr));
    setSeedTime(pinnedTo);
    return pinnedTo;
}
