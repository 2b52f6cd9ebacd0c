// What starting the helper threads needs from the system.
#pragma once

namespace platform {

// The CPUs the process may run on (its affinity, not the machine's count),
// at least 1.
int allowedCpuCount();

// Holds every asynchronous interrupt back on the calling thread while it
// lives, so that a thread started meanwhile inherits that mask. Windows
// delivers the console's events on a thread of its own: nothing to hold.
class InterruptsHeldForNewThreads {
public:
    InterruptsHeldForNewThreads();
    ~InterruptsHeldForNewThreads();
    InterruptsHeldForNewThreads(const InterruptsHeldForNewThreads&) = delete;
    InterruptsHeldForNewThreads& operator=(const InterruptsHeldForNewThreads&) = delete;

private:
    alignas(16) unsigned char before_[128] = {};
};

}  // namespace platform
