#include "generate_request.h"

#include <QMessageBox>
#include <QString>

#include <cerrno>
#include <cmath>

#include "data_exchange.h"
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

QString number(double value)
{
    return QString::fromStdString(formatDouble(value));
}

// What the engine refused in a request it answered out of range for, in the
// order in which it checks.
QString refusal(const GenerateRequest& r)
{
    const bool sine = r.kind == SignalKind::Sine;
    const char* name = sine ? "a sine" : r.kind == SignalKind::Sweep ? "a sweep"
                       : r.kind == SignalKind::PinkNoise            ? "pink noise"
                                                                    : "white noise";
    const RequestLimits& l = kRequestLimits;
    const double shortest = sine ? l.minSineSeconds : l.minSweepNoiseSeconds;
    const auto frequencyOk = [&l](double hz) { return hz >= l.minFrequencyHz && hz <= l.maxFrequencyHz; };
    const QString hzRange = QStringLiteral("%1 to %2 Hz").arg(number(l.minFrequencyHz), number(l.maxFrequencyHz));
    QString what;
    if (r.attenuationDb > l.maxAttenuationDb)
        what = QStringLiteral("the attenuation of %1 dB is outside 0 to %2 dB")
                   .arg(static_cast<int32_t>(r.attenuationDb)) // a negative text wraps round in the unsigned field
                   .arg(l.maxAttenuationDb);
    else if (!(r.durationSec >= shortest && r.durationSec <= l.maxSeconds))
        what = QStringLiteral("the duration of %1 s is outside %2 to %3 s for %4")
                   .arg(number(r.durationSec), number(shortest), number(l.maxSeconds), QString::fromLatin1(name));
    else if (!frequencyOk(r.startHz))
        what = QStringLiteral("the %1 of %2 Hz is outside %3")
                   .arg(sine ? QStringLiteral("frequency") : QStringLiteral("start frequency"), number(r.startHz), hzRange);
    else if (!sine && !frequencyOk(r.endHz))
        what = QStringLiteral("the end frequency of %1 Hz is outside %2").arg(number(r.endHz), hzRange);
    else
        what = QStringLiteral("the values were refused");
    return QStringLiteral("No file was written: %1.").arg(what);
}

// Shows a message owned by the dialog, on its thread, and returns when the
// user has closed it.
void tell(CQuorrelDlg* dialog, const QString& text, QMessageBox::Icon icon)
{
    runOnThreadOf(dialog, [dialog, text, icon] {
        QMessageBox box(icon, QString::fromLatin1(kProgramCaption), text, QMessageBox::Ok, dialog);
        box.exec();
    });
}

} // namespace

int progressBlockCount(uint32_t sampleRate, double durationSec)
{
    const double blocks = std::floor(static_cast<double>(sampleRate) * durationSec / kBlockFrames);
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

    ProgressRelay* relay = dialog->progressRelay();
    const uint64_t blocksBefore = relay ? relay->blocksWritten() : 0;
    const bool usable = isUsablePath(r.path);
    const int result = usable ? render(r) : kRenderFailed;

    if (result == kRenderFailed && usable && lastRenderError() == ENOMEM) {
        // Not the path's fault: the job could not have the memory it needs.
        tell(dialog, QStringLiteral("No file was written: there is not enough memory for this job."),
             QMessageBox::Critical);
    } else if (result == kRenderFailed) {
        runOnThreadOf(dialog, [dialog] { dialog->ShowInvalidPathMessage(); });
    } else if (result == kRenderOutOfRange) {
        // A refused job is no finished one: the bar stays where it is.
        tell(dialog, refusal(r), QMessageBox::Warning);
    } else {
        runOnThreadOf(dialog, [bar, n] { bar->moveBy(n + 1); });
        // A tone too short for whole cycles is rendered as the leading
        // silent block alone; the file is written, and the user told.
        if (relay && relay->blocksWritten() == blocksBefore && r.kind == SignalKind::Sine)
            tell(dialog,
                 QStringLiteral("The tone of %1 Hz is too short to render in %2 s: it needs at least two whole "
                                "cycles and more than 512 samples. The file holds silence only.")
                     .arg(number(r.startHz), number(r.durationSec)),
                 QMessageBox::Information);
    }

    runOnThreadOf(dialog, [dialog] { dialog->EnableGenerateButtons(true); });
    return 0; // the request is released here, after the last window action
}
