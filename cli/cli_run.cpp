#include "cli_run.h"

#include <cerrno>

#include "cli_options.h"
#include "engine.h"
#include "file_io.h"
#include "interrupts.h"
#include "job_report.h"
#include "note_names.h"
#include "note_table.h"
#include "output_file.h"
#include "progress_bar.h"
#include "seed_clock.h"
#include "sha256.h"
#include "wave_levels.h"

namespace {

constexpr const char* kProgram = "veltrane-cli";

int render(const CliOptions& o, const char* path)
{
    const double from = o.signal == CliSignal::Sweep ? o.startFrequency : o.frequency;
    return renderSignal(path, {SignalKind(o.signal), from, o.endFrequency, o.duration, o.attenuation, o.bits});
}

int cannotWrite(std::ostream& err, const std::string& path, int error)
{
    err << kProgram << ": cannot write " << (path == "-" ? "to standard output" : "\"" + path + "\"") << ": "
        << (error != 0 ? platform::errorText(error) : "the file could not be written") << '\n';
    return kExitCannotWrite;
}

// What the engine reports during a job: each report steps the progress bar,
// each written block is measured for the summary's levels.
struct JobReports : ProgressNotifier {
    JobReports(std::ostream& err, const CliOptions& o, bool drawn)
        : bar(err, ProgressBar::expectedReports(o.rate, o.duration), drawn), meter(o.bits)
    {
    }
    void blockRendered() override { bar.blockRendered(); }
    void blockWritten(const unsigned char* block, int bytes) override { meter.addBlock(block, bytes); }

    ProgressBar bar;
    LevelMeter meter;
};

// Why the output file could not be prepared, told to the user; answers the
// exit status.
int reportUnprepared(std::ostream& err, const OutputFile& file, const std::string& path, int prepared)
{
    if (prepared == OutputFile::kTerminal) {
        err << kProgram << ": "
            << (path == "-" ? std::string("standard output") : "\"" + path + "\"")
            << " is a terminal; the WAVE file is not written to it: redirect it or name a file with -o\n";
        return kExitUsage;
    }
    if (prepared != 0 && !file.failedDirectory().empty()) {
        err << kProgram << ": cannot create a temporary file in \"" << file.failedDirectory()
            << "\" (" << OutputFile::temporaryDirectorySource() << "): " << platform::errorText(prepared) << '\n';
        return kExitCannotWrite;
    }
    return cannotWrite(err, path, prepared);
}

// The summary line (or its JSON), and the complete file handed to its target.
int handOver(const JobReport& report, OutputFile& file, const std::string& path, std::ostream& out,
             std::ostream& err)
{
    const std::string line = report.options.json ? jsonLine(report) : summaryLine(report);
    if (file.toStandardOutput()) {
        // With the file on standard output, the summary follows it, with
        // the messages.
        if (int error = file.commit(); error != 0)
            return cannotWrite(err, path, error);
        err << line;
        return kExitWritten;
    }
    // The summary is written before the file takes its place: a summary
    // that cannot be written (a closed or full standard output) fails the
    // run, and the target is then left as it was. A closed pipe ends the
    // run through SIGPIPE, which removes the temporary file as well.
    errno = 0;
    out << line << std::flush;
    if (!out) {
        const int error = errno;
        err << kProgram << ": cannot write the summary to standard output: "
            << (error != 0 ? platform::errorText(error) : "the write failed") << "; \"" << path << "\" was not changed\n";
        return kExitCannotWrite;
    }
    if (int error = file.commit(); error != 0)
        return cannotWrite(err, path, error);
    return kExitWritten;
}

int renderFile(const CliOptions& o, std::ostream& out, std::ostream& err, bool errIsTerminal)
{
    const std::string noteName = o.note ? noteDisplayName(o.noteText) : std::string();
    // The default file is written by its relative name, which works however
    // deep the working directory lies, and named in full in messages.
    const std::string path = o.output.empty() ? defaultOutputPath() : o.output;
    const bool drawn = errIsTerminal && !o.quiet;
    JobReports reports(err, o, drawn);
    ProgressBar& bar = reports.bar;

    // The engine renders into a temporary file; the target changes only when
    // that file is complete. A size limit is then an ordinary write failure
    // rather than the end of the process.
    // The signals that end a run wait while the temporary file is made and
    // the handlers that remove it are put in place (no other thread runs yet).
    InterruptMask before = holdBackInterrupts();
    OutputFile file(o.output.empty() ? "Test.wav" : o.output);
    const int prepared = file.prepare();
    if (prepared == 0)
        catchInterrupts(file.temporary(),
                        file.temporaryName().empty() ? "the output to \"" + path + "\" is incomplete"
                                                     : "\"" + path + "\" was not changed",
                        drawn);
    restoreInterrupts(before);
    if (prepared != 0)
        return reportUnprepared(err, file, path, prepared);
    treatSizeLimitAsWriteError();
    // The engine's threads end with the signals held back, so that none
    // ends the run while a thread is half gone; one that came meanwhile is
    // taken right after.
    const auto stopEngine = [&] {
        before = holdBackInterrupts();
        shutdownEngine();
        restoreInterrupts(before);
    };

    if (!isEngineAvailable() || !createEngine(&reports, false)) {
        stopEngine();
        err << kProgram << ": the signal engine could not be started\n";
        return kExitCannotWrite;
    }
    if (!setEngineSampleRate(o.rate)) {
        stopEngine();
        err << kProgram << ": cannot set the sample rate to " << o.rate << " Hz\n";
        return kExitCannotWrite;
    }
    const int64_t seedTime = pinSeedTime(o.seedTime);

    if (o.signal == CliSignal::Sine && o.frequency * 2.0 >= o.rate)
        err << kProgram << ": warning: " << hertz(o.frequency) << " is not below half the sample rate ("
            << hertz(o.rate / 2.0) << "); the tone will alias or vanish\n";
    if (const std::string warning = extensionWarning(path); !warning.empty())
        err << kProgram << ": warning: " << warning << '\n';

    const int result = render(o, file.renderPath().c_str());
    const int renderError = lastRenderError();
    bar.finish();
    stopEngine();

    if (result == kRenderFailed)
        return cannotWrite(err, path, renderError);
    if (result != kRenderOk) {
        // The values were checked against the same ranges before; reaching
        // here means the two disagree, which the user cannot fix.
        err << kProgram << ": the engine refused the request (code " << result << ")\n";
        return kExitUsage;
    }

    const WaveLevels l = reports.meter.levels();
    if (l.frames <= kLeadingSilentFrames) {
        // The generator declined the request: the file would hold only the
        // leading silence, and is not handed over.
        err << kProgram << ": no " << signalName(o.signal) << " can be rendered with these values\n";
        return kExitUsage;
    }
    JobReport report{o, file.toStandardOutput() ? "standard output" : path, o.output.empty() ? path : o.output,
                     noteName, l, seedTime, std::nullopt};
    // The digest of the bytes handed over, read back from the finished file;
    // a device written in place (such as /dev/null) keeps none to read.
    if (o.json && !file.temporaryName().empty()) {
        report.sha256 = sha256OfFile(file.renderPath());
        if (!report.sha256) {
            err << kProgram << ": cannot read back the finished file to checksum it; nothing was written\n";
            return kExitCannotWrite;
        }
    }
    return handOver(report, file, path, out, err);
}

}  // namespace

std::string cliHelpText()
{
    return R"(Usage: veltrane-cli SIGNAL [OPTIONS]
  or:  veltrane-cli --list-notes | --help | --version

Writes an audio test signal to a WAVE file: two identical channels of
integer PCM, starting with 512 frames of silence.

Signals:
  sine    a sine tone
  sweep   a linear frequency sweep (falling when the start is above the end)
  pink    pink noise
  white   white noise

Sine options:
      --frequency HZ       10 to 22050 (default 440)
      --note NAME          the frequency of a note from C0 to B8, such as A4,
                           C#4 or Db4, in any letter case (see --list-notes)
Sweep options:
      --start HZ           10 to 22050 (default 65.406391, the note C2)
      --end HZ             10 to 22050 (default 4186.009045, the note C8)
Common options:
  -d, --duration SECONDS   0.01 to 120 for a sine, 0.1 to 120 for a sweep or
                           noise (default 0.5)
  -a, --attenuation DB     whole decibels below the full-scale peak of the
                           sample width, 0 to 90 (default 3)
  -r, --rate HZ            sample rate: 44100, 48000 or 96000 (default 44100)
  -b, --bits N             sample width: 16, 24 or 32 (default 16)
  -o, --output PATH        the file to write, replaced only once the new one
                           is complete (default Test.wav in the working
                           directory); - writes the file to standard output
      --seed-time SECONDS  seconds since 1970 that seed the noise and the
                           16-bit dither; the same request with the same seed
                           time gives the same file (default: the current time)
  -q, --quiet              no progress bar
      --json               print the summary as one JSON object on one line
                           (see below)
      --list-notes         print the 108 notes with their frequencies
  -h, --help               print this help
      --version            print the version

On success one line names the file, the signal, rate, width, length and the
signal's peak and RMS level in dBFS (on standard error with -o -), and, for a
file that depends on the clock (noise, and 16-bit sines and sweeps, whose
dither is seeded from it), ends with the seed time: that number given to
--seed-time makes the same file again. With --json the line is a JSON object
with the keys path, signal, frequency (sine) or start and end (sweep),
duration, attenuation, rate, bits, frames, seconds, seed_time (null for a
file that does not depend on the clock), peak_dbfs, rms_dbfs and sha256 (of
the whole file as written; null for a device written in place, such as
/dev/null).

Exit status:
  0                        the file was written
  1                        the file or the summary line could not be
                           written; the message names the path and the
                           system's reason, the target is left as it was
                           and no temporary file remains
  2                        a usage or value error (an unknown option, a
                           malformed number, a value out of range), or
                           standard output (-o -) is a terminal; nothing
                           is written
  128 + N                  a signal N ended the run, such as 130 for SIGINT,
                           143 for SIGTERM, 129 for SIGHUP or 141 for a
                           closed pipe (SIGPIPE); the target is left as it
                           was

Examples:
  veltrane-cli sine --note A4 -d 2 -o a4.wav
  veltrane-cli sweep --start 20 --end 20000 -d 10 -b 24 -r 96000 -o sweep.wav
  veltrane-cli pink -a 20 -d 30 --seed-time 0 -o pink.wav
  veltrane-cli white -d 5 --json -o white.wav
  veltrane-cli white -d 5 --seed-time 1765000000 -o again.wav
                           (the same bytes again, when the first run's
                           seed_time was 1765000000)
)";
}

int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           bool errIsTerminal)
{
    CliParseResult parsed = parseCliArguments(args);
    if (!parsed.error.empty()) {
        err << kProgram << ": " << parsed.error << "\nTry '" << kProgram
            << " --help' for more information.\n";
        return kExitUsage;
    }
    const CliOptions& options = parsed.options;
    switch (options.command) {
    case CliCommand::Help:
        out << cliHelpText();
        return kExitWritten;
    case CliCommand::Version:
        out << kProgram << ' ' << VELTRANE_VERSION << '\n';
        return kExitWritten;
    case CliCommand::ListNotes: {
        if (!createNoteTable()) {
            err << kProgram << ": cannot create the note table\n";
            return kExitCannotWrite;
        }
        // One line per note: every name --note takes for it, and its frequency.
        for (int i = 0; i < kNoteCount; ++i)
            out << noteListName(i) << ' ' << formatFixed(noteTable()[i], 6) << '\n';
        releaseNoteTable();
        return kExitWritten;
    }
    case CliCommand::Render:
        break;
    }
    return renderFile(options, out, err, errIsTerminal);
}
