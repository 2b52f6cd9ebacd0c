// Where every helper thread of the engine and the writer starts, and what
// decides whether one is worth starting: the CPUs the process may run on.
#pragma once

#include <functional>
#include <thread>

// The CPUs the process may run on (its affinity, not the machine's count),
// at least 1.
int allowedCpuCount();

// Starts a thread that runs body, with every signal held back on it, so that
// a handler for one always runs on the program's own threads (the faults a
// thread causes itself still reach it). A thread the system refuses (a
// process limit, no memory for its stack) is answered as one that is not
// joinable: the caller does without it. The caller's signal mask is the same
// afterwards either way.
std::thread startHelperThread(std::function<void()> body);

// Puts the calling thread in the default floating-point environment (round
// to nearest, every exception masked), in which the sample arithmetic is
// defined, whatever the program set before. Every thread that computes
// samples passes here: a helper thread as it starts (startHelperThread), the
// job's thread at each job, and any other thread before its first piece of a
// job (such as the dialog's, which helps while it waits).
void useDefaultFloatingPoint();
