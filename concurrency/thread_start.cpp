#include "thread_start.h"

#include <algorithm>
#include <cfenv>
#include <csignal>
#include <system_error>
#include <utility>

#include <pthread.h>
#include <sched.h>

namespace {

// Holds every signal back on the calling thread while it lives; a thread
// started meanwhile inherits the mask.
class SignalsHeld {
public:
    SignalsHeld()
    {
        sigset_t all;
        sigfillset(&all);
        pthread_sigmask(SIG_BLOCK, &all, &before_);
    }
    ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &before_, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

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
    const SignalsHeld held;
    try {
        return std::thread([body = std::move(body)] {
            useDefaultFloatingPoint();
            body();
        });
    } catch (const std::system_error&) {
        return {};
    }
}

void useDefaultFloatingPoint()
{
    std::fesetenv(FE_DFL_ENV);
}
