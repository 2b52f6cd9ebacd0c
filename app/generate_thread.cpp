#include "generate_request.h"

#include <cmath>

#include "engine.h"
#include "progress_bar.h"
#include "progress_relay.h"
#include "quorrel_dlg.h"

namespace {

// The bar's range is 0..n + 1 and must stay a positive int.
constexpr int kMaxBlockCount = 65534;

bool isUsablePath(const std::string& path)
{
    // A longer name or one with an embedded NUL would reach the file system as
    // a different name than the one the user typed.
    return path.size() <= kMaxPathBytes && path.find('\0') == std::string::npos;
}

int render(const GenerateRequest& r)
{
    return renderSignal(r.path.c_str(), {r.kind, r.startHz, r.endHz, r.durationSec, r.attenuationDb, r.bitWidth});
}

} // namespace

int progressBlockCount(uint32_t sampleRate, double durationSec)
{
    const double blocks = std::floor(static_cast<double>(sampleRate) * durationSec * 0.001953125);
    // Durations the dialog let through with a message may be negative, huge or
    // infinite; the engine refuses those jobs, the bar just has to stay sane.
    if (!(blocks >= 0.0))
        return 0;
    if (blocks > kMaxBlockCount)
        return kMaxBlockCount;
    return static_cast<int>(blocks);
}

int GenerateThreadProc(std::unique_ptr<GenerateRequest> request)
{
    const GenerateRequest& r = *request;
    CQuorrelDlg* dialog = r.dialog;
    ProgressBar* bar = r.progress;
    const int n = progressBlockCount(r.sampleRate, r.durationSec);

    runOnThreadOf(dialog, [bar, n] {
        bar->setMaximumPosition(n + 1);
        bar->setPosition(0);
    });

    const int result = isUsablePath(r.path) ? render(r) : kRenderFailed;

    if (result == kRenderFailed)
        runOnThreadOf(dialog, [dialog] { dialog->ShowInvalidPathMessage(); });
    else
        runOnThreadOf(dialog, [bar, n] { bar->moveBy(n + 1); });

    runOnThreadOf(dialog, [dialog] { dialog->EnableGenerateButtons(true); });
    return 0; // the request is released here, after the last window action
}
