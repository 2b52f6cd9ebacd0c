#include "progress_bar.h"

#include <cmath>
#include <string>

namespace {
constexpr int kBarWidth = 40;
}

ProgressBar::ProgressBar(std::ostream& out, uint64_t expectedReports, bool enabled)
    : out_(out), expected_(expectedReports == 0 ? 1 : expectedReports), enabled_(enabled)
{
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
    uint64_t done = reports_ < expected_ ? reports_ : expected_;
    int percent = static_cast<int>(done * 100 / expected_);
    if (percent != shownPercent_)
        draw(percent);
}

void ProgressBar::draw(int percent)
{
    int filled = percent * kBarWidth / 100;
    out_ << '\r' << '[' << std::string(filled, '#') << std::string(kBarWidth - filled, '-')
         << "] " << (percent < 10 ? "  " : percent < 100 ? " " : "") << percent << '%'
         << std::flush;
    shownPercent_ = percent;
}

void ProgressBar::finish()
{
    if (enabled_ && shownPercent_ >= 0) {
        out_ << '\r' << std::string(kBarWidth + 7, ' ') << '\r' << std::flush;
        shownPercent_ = -1;
    }
}
