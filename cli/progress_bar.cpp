#include "progress_bar.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "block_frames.h"

namespace {

volatile std::sig_atomic_t resized = 0;

void noteResize(int)
{
    resized = 1;
}

// "[###---] 100%" around the bar: brackets, a space and four characters.
constexpr int kFrameWidth = 7;

}  // namespace

ProgressBar::ProgressBar(std::ostream& out, uint64_t expectedReports, bool enabled)
    : out_(out), expected_(expectedReports == 0 ? 1 : expectedReports), enabled_(enabled)
{
    if (!enabled_)
        return;
    columns_ = terminalColumns();
    struct sigaction action {};
    action.sa_handler = noteResize;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGWINCH, &action, &previousResize_);
}

ProgressBar::~ProgressBar()
{
    if (enabled_)
        sigaction(SIGWINCH, &previousResize_, nullptr);
}

int ProgressBar::terminalColumns()
{
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    if (const char* columns = std::getenv("COLUMNS")) {
        char* end = nullptr;
        const long value = std::strtol(columns, &end, 10);
        if (end != columns && *end == '\0' && value > 0 && value <= 10000)
            return static_cast<int>(value);
    }
    return 80;
}

uint64_t ProgressBar::expectedReports(uint32_t rate, double duration)
{
    // Whole 512-frame blocks in the duration, plus the partial last block,
    // plus the report after the silent block.
    double blocks = std::floor(static_cast<double>(rate) * duration / kBlockFrames);
    return static_cast<uint64_t>(blocks) + 2;
}

void ProgressBar::blockRendered()
{
    ++reports_;
    if (!enabled_)
        return;
    if (resized) {
        resized = 0;
        columns_ = terminalColumns();
        shownPercent_ = -1;  // redrawn at the new width
    }
    uint64_t done = reports_ < expected_ ? reports_ : expected_;
    int percent = static_cast<int>(done * 100 / expected_);
    if (percent != shownPercent_)
        draw(percent);
}

void ProgressBar::draw(int percent)
{
    // The line stays short of the last column, so that no terminal wraps it.
    const int room = columns_ - 1;
    const int barWidth = room - kFrameWidth;
    std::string line = (percent < 10 ? "  " : percent < 100 ? " " : "") + std::to_string(percent) + '%';
    if (barWidth >= 4) {
        const int filled = percent * barWidth / 100;
        line = '[' + std::string(filled, '#') + std::string(barWidth - filled, '-') + "] " + line;
    } else if (room < 4) {
        line.clear();
    }
    // Erasing to the end of the line removes what a wider bar left.
    out_ << '\r' << line << "\x1b[K" << std::flush;
    shownPercent_ = percent;
}

void ProgressBar::finish()
{
    if (enabled_ && shownPercent_ >= 0) {
        out_ << "\r\x1b[K" << std::flush;
        shownPercent_ = -1;
    }
}
