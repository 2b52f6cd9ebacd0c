// A one-line progress bar for the terminal, driven by the engine's
// per-block reports. It fits the terminal's width and follows its resizing.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>

#include "progress.h"
#include "terminal.h"

class ProgressBar : public ProgressNotifier {
public:
    // expectedReports: how many reports make a full bar; more are shown as
    // full. A disabled bar counts but draws nothing. An enabled one is drawn
    // to fit the terminal on standard error and redrawn when it is resized.
    ProgressBar(std::ostream& out, uint64_t expectedReports, bool enabled);
    ~ProgressBar() override;
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void blockRendered() override;
    // Clears the bar's line so that the next output starts on a clean line.
    void finish();

    uint64_t reports() const { return reports_; }

    // Reports a job of this rate and duration sends: one after the silent
    // block, one per generator block, and one for the pull that ends the job.
    static uint64_t expectedReports(uint32_t rate, double duration);

    // The width of the terminal on standard error: its window size, else
    // COLUMNS, else 80.
    static int terminalColumns();

private:
    void draw(int percent);

    std::ostream& out_;
    uint64_t expected_;
    uint64_t reports_ = 0;
    int shownPercent_ = -1;
    int columns_ = 80;
    bool enabled_;
    std::optional<platform::TerminalResizeWatch> resizes_;
};
