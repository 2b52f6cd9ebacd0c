#include "terminal.h"

#include <csignal>
#include <sys/ioctl.h>
#include <unistd.h>

namespace platform {
namespace {

volatile std::sig_atomic_t resized = 0;

void noteResize(int)
{
    resized = 1;
}

}  // namespace

int windowColumns()
{
    winsize size{};
    return ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}

static_assert(sizeof(struct sigaction) <= 160 && alignof(struct sigaction) <= 16,
              "a signal action fits the watch's bytes");

TerminalResizeWatch::TerminalResizeWatch()
{
    struct sigaction action {};
    action.sa_handler = noteResize;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGWINCH, &action, reinterpret_cast<struct sigaction*>(previous_));
}

TerminalResizeWatch::~TerminalResizeWatch()
{
    sigaction(SIGWINCH, reinterpret_cast<const struct sigaction*>(previous_), nullptr);
}

bool TerminalResizeWatch::takeResize()
{
    if (!resized)
        return false;
    resized = 0;
    return true;
}

}  // namespace platform
