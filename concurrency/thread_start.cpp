#include "thread_start.h"

#include <system_error>
#include <utility>

#include "threads.h"

int allowedCpuCount()
{
    return platform::allowedCpuCount();
}

std::thread startHelperThread(std::function<void()> body)
{
    const platform::InterruptsHeldForNewThreads held;
    try {
        return std::thread(std::move(body));
    } catch (const std::system_error&) {
        return {};
    }
}
