#include "progress_bar.h"

#include <cmath>
#include <string>

namespace {

// "[###---] 100%" around the bar: brackets, a space and four characters.
constexpr int kFrameWidth = 7;

}  // namespace

ProgressBar::ProgressBar(std::ostream& out, uint64_t expectedReports, bool enabled)
    : out_(out), expected_(expectedReports == 0 ? 1 : expectedReports), enabled_(enabled)
{
    if (!enabled_)
        return;
    columns_ = terminalColumns();
    resizes_.emplace();
}

ProgressBar::~ProgressBar() = default;

int ProgressBar::terminalColumns()
{
    return platform::terminalColumns();
}

uint64_t ProgressBar::expectedReports(uint32_t rate, double duration)
{
    // Whole 512-frame blocks in the duration, plus the partial last block,
    // plus the report after the silent block.
    double blocks = std::floor(static_cast<double>(rate) * duration * 0.001953125);
    return static_cast<uint64_t>(blocks) + 2;
}

void ProgressBar::blockRendered()
{
    ++reports_;
    if (!enabled_)
        return;
    if (resizes_->takeResize()) {
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
