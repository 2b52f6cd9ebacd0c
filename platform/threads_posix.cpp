#include "threads.h"

#include <algorithm>
#include <csignal>
#include <pthread.h>
#include <sched.h>

namespace platform {

int allowedCpuCount()
{
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    if (::sched_getaffinity(0, sizeof cpus, &cpus) != 0)
        return 1;
    return std::max(1, CPU_COUNT(&cpus));
}

static_assert(sizeof(sigset_t) <= 128 && alignof(sigset_t) <= 16, "a signal mask fits the guard's bytes");

InterruptsHeldForNewThreads::InterruptsHeldForNewThreads()
{
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, reinterpret_cast<sigset_t*>(before_));
}

InterruptsHeldForNewThreads::~InterruptsHeldForNewThreads()
{
    pthread_sigmask(SIG_SETMASK, reinterpret_cast<const sigset_t*>(before_), nullptr);
}

}  // namespace platform
