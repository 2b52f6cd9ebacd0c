// Where every helper thread of the engine and the writer starts, and what
// decides whether one is worth starting: the CPUs the process may run on.
#pragma once

#include <functional>
#include <thread>

// The CPUs the process may run on (its affinity, not the machine's count),
// at least 1.
int allowedCpuCount();

// Starts a thread that runs body, with the stop requests (SIGINT, SIGTERM,
// SIGHUP, SIGQUIT) held back on it, so that a handler for them always runs
// on the program's own threads. Fails as std::thread does; the caller's
// signal mask is the same afterwards either way.
std::thread startHelperThread(std::function<void()> body);
