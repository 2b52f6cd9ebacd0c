#include "interrupts.h"

#include <atomic>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

namespace {

// The signals whose default action ends the process and that a handler may
// take. Faults (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGTRAP, SIGSYS, SIGABRT)
// are left alone: they report a defect, and their core dump is worth more.
constexpr int kNamed[] = {SIGHUP,  SIGINT,  SIGQUIT, SIGUSR1,   SIGUSR2, SIGPIPE, SIGALRM, SIGTERM,
                          SIGSTKFLT, SIGXCPU, SIGVTALRM, SIGPROF, SIGIO, SIGPWR};
constexpr int kMaxSignal = 65;

template <typename Each>
void forEachSignal(Each each)
{
    for (int signal : kNamed)
        each(signal);
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal)
        each(signal);
}

// What a handler does, prepared ahead: it may only make async-signal-safe
// calls, so the texts are fixed-size copies.
struct Cleanup {
    int directory = -1;
    char removeName[256] = {};  // a directory entry's name
    char line[4400] = {};
    size_t lineBytes = 0;
    bool afterProgressBar = false;
    char names[kMaxSignal + 1][16] = {};  // "SIGINT", "SIGRTMIN+3", ...
};
Cleanup cleanup;

// Whoever sets this first owns the clean-up: a handler, or the program
// finishing its output (which holds it while it renames or copies).
std::atomic<bool> owned{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the handler needs a lock-free flag");

bool ignoredAtStart[kMaxSignal + 1] = {};

void setDisposition(void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    forEachSignal([&](int signal) {
        if (!ignoredAtStart[signal])
            sigaction(signal, &action, nullptr);
    });
}

void writeAll(const char* text, size_t bytes)
{
    for (size_t done = 0; done < bytes;) {
        const ssize_t n = ::write(STDERR_FILENO, text + done, bytes - done);
        if (n <= 0)
            return;
        done += static_cast<size_t>(n);
    }
}

extern "C" void onInterrupt(int signal)
{
    if (owned.exchange(true))
        return;  // the output is being finished: the signal is ignored
    setDisposition(SIG_DFL);  // a second signal ends the run at once
    if (cleanup.removeName[0] != '\0')
        ::unlinkat(cleanup.directory, cleanup.removeName, 0);
    const char* name = signal > 0 && signal <= kMaxSignal ? cleanup.names[signal] : "";
    if (cleanup.afterProgressBar)
        writeAll("\n", 1);
    writeAll("veltrane-cli: interrupted by ", 29);
    writeAll(name, std::strlen(name));
    writeAll(cleanup.line, cleanup.lineBytes);
    ::_exit(128 + signal);
}

void prepare(int directory, const std::string& removeName, const std::string& what)
{
    cleanup.directory = directory;
    std::memset(cleanup.removeName, 0, sizeof cleanup.removeName);
    if (directory >= 0)
        removeName.copy(cleanup.removeName, sizeof cleanup.removeName - 1);
    const std::string line = "; " + what + "\n";
    cleanup.lineBytes = line.copy(cleanup.line, sizeof cleanup.line);
}

}  // namespace

static_assert(sizeof(sigset_t) <= sizeof(InterruptMask::bytes) && alignof(sigset_t) <= alignof(InterruptMask),
              "a signal mask fits the mask's bytes");

InterruptMask holdBackInterrupts()
{
    sigset_t signals;
    sigemptyset(&signals);
    forEachSignal([&](int signal) { sigaddset(&signals, signal); });
    InterruptMask before{};
    pthread_sigmask(SIG_BLOCK, &signals, reinterpret_cast<sigset_t*>(before.bytes));
    return before;
}

void restoreInterrupts(const InterruptMask& mask)
{
    pthread_sigmask(SIG_SETMASK, reinterpret_cast<const sigset_t*>(mask.bytes), nullptr);
}

void catchInterrupts(const TemporaryFileRef& temporary, const std::string& what, bool afterProgressBar)
{
    cleanup.afterProgressBar = afterProgressBar;
    prepare(temporary.name.empty() ? -1 : temporary.directory, temporary.name, what);
    owned.store(false);
    forEachSignal([](int signal) {
        const char* abbreviation = signal < SIGRTMIN ? sigabbrev_np(signal) : nullptr;
        std::string name = abbreviation ? std::string("SIG") + abbreviation
                           : signal == SIGRTMIN ? std::string("SIGRTMIN")
                                                : "SIGRTMIN+" + std::to_string(signal - SIGRTMIN);
        std::memset(cleanup.names[signal], 0, sizeof cleanup.names[signal]);
        name.copy(cleanup.names[signal], sizeof cleanup.names[signal] - 1);
        struct sigaction old {};
        ignoredAtStart[signal] = sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN;
    });
    setDisposition(onInterrupt);
}

void holdInterrupts()
{
    if (owned.exchange(true)) {
        for (;;)
            ::pause();  // a handler is ending the run
    }
}

void releaseInterrupts(const std::string& what)
{
    prepare(-1, "", what);
    owned.store(false);
}

void treatSizeLimitAsWriteError()
{
    std::signal(SIGXFSZ, SIG_IGN);
}
