#include "thread_start.h"

#include <cfenv>
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
