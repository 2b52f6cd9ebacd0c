#include "thread_start.h"

#include <algorithm>
#include <csignal>
#include <utility>

#include <pthread.h>
#include <sched.h>

namespace {

// Holds the stop requests back on the calling thread while it lives; a
// thread started meanwhile inherits the mask.
class StopRequestsHeld {
public:
    StopRequestsHeld()
    {
        sigset_t requests;
        sigemptyset(&requests);
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
            sigaddset(&requests, signal);
        pthread_sigmask(SIG_BLOCK, &requests, &before_);
    }
    ~StopRequestsHeld() { pthread_sigmask(SIG_SETMASK, &before_, nullptr); }
    StopRequestsHeld(const StopRequestsHeld&) = delete;
    StopRequestsHeld& operator=(const StopRequestsHeld&) = delete;

private:
    sigset_t before_;
};

}  // namespace

int allowedCpuCount()
{
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    if (::sched_getaffinity(0, sizeof cpus, &cpus) != 0)
        return 1;
    return std::max(1, CPU_COUNT(&cpus));
}

std::thread startHelperThread(std::function<void()> body)
{
    const StopRequestsHeld held;
    return std::thread(std::move(body));
}
