#include "interrupts.h"

#include <atomic>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// What a handler does, prepared ahead: it may only make async-signal-safe
// calls, so the texts are fixed-size copies.
struct Cleanup {
    char removePath[4200] = {};  // longer paths cannot be created
    char line[4400] = {};
    size_t lineBytes = 0;
};
Cleanup cleanup;

// Whoever sets this first owns the clean-up: a handler, or the program
// finishing its output (which holds it while it renames or copies).
std::atomic<bool> owned{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the handler needs a lock-free flag");

// Signals that were ignored when the program started (a shell's background
// job ignores SIGINT, nohup SIGHUP) stay ignored.
bool ignoredAtStart[3] = {};

void setDisposition(void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < 3; ++i)
        if (!ignoredAtStart[i])
            sigaction(kSignals[i], &action, nullptr);
}

extern "C" void onInterrupt(int signal)
{
    if (owned.exchange(true))
        return;  // the output is being finished: the signal is ignored
    setDisposition(SIG_DFL);  // a second signal ends the run at once
    if (cleanup.removePath[0] != '\0')
        ::unlink(cleanup.removePath);
    for (size_t done = 0; done < cleanup.lineBytes;) {
        const ssize_t n = ::write(STDERR_FILENO, cleanup.line + done, cleanup.lineBytes - done);
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    ::_exit(128 + signal);
}

void prepare(const std::string& removePath, const std::string& what, bool afterProgressBar)
{
    std::memset(cleanup.removePath, 0, sizeof cleanup.removePath);
    removePath.copy(cleanup.removePath, sizeof cleanup.removePath - 1);
    const std::string line = std::string(afterProgressBar ? "\n" : "") + "veltrane-cli: interrupted; " + what + "\n";
    cleanup.lineBytes = line.copy(cleanup.line, sizeof cleanup.line);
}

bool barDrawn = false;

}  // namespace

void catchInterrupts(const std::string& removePath, const std::string& what, bool afterProgressBar)
{
    barDrawn = afterProgressBar;
    prepare(removePath, what, afterProgressBar);
    owned.store(false);
    for (int i = 0; i < 3; ++i) {
        struct sigaction old {};
        ignoredAtStart[i] = sigaction(kSignals[i], nullptr, &old) == 0 && old.sa_handler == SIG_IGN;
    }
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
    prepare("", what, barDrawn);
    owned.store(false);
}
