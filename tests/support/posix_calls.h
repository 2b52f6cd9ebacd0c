// The POSIX calls of the suites that drive the Linux program as a process
// (signals, FIFOs, terminals, descriptors, wait statuses), in one place:
// the only test file besides the platform layer that includes the system's
// own headers. Those suites are not built for Windows.
#pragma once

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
