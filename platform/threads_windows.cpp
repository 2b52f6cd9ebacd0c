#include "threads.h"

#include <bit>
#include <windows.h>

namespace platform {

int allowedCpuCount()
{
    DWORD_PTR process = 0, system = 0;
    if (!GetProcessAffinityMask(GetCurrentProcess(), &process, &system) || process == 0)
        return 1;
    return std::popcount(static_cast<unsigned long long>(process));
}

// The console's control events arrive on a thread the system starts for
// them, never on the program's own threads.
InterruptsHeldForNewThreads::InterruptsHeldForNewThreads() = default;
InterruptsHeldForNewThreads::~InterruptsHeldForNewThreads() = default;

}  // namespace platform
