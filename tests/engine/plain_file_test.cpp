// The engine's files against their plain definition (plain_file.h), byte for
// byte: every kind, width and rate, the range edges, and jobs one after the
// other in one process (pink rows carried over, a sweep started again, rate
// changes, files that cannot be created). Each sequence runs through every
// way the engine spreads a job: helper threads that take every piece of its
// arithmetic, no helpers, and no helpers with a receiver that works ahead
// and helps from its reports, as the dialog's does. CTest runs these once
// more with VELTRANE_ISA=baseline.
#include <gtest/gtest.h>

#include <cerrno>
#include <cfenv>
#include <filesystem>

#include "engine.h"
#include "failing_allocation.h"
#include "pinned_seed_time.h"
#include "plain_file.h"
#include "test_files.h"

namespace {

using S = PlainSignal;

// Works ahead, or helps, from some of its reports, more or less each time.
struct HelpingReceiver : ProgressNotifier {
    void blockRendered() override
    {
        for (int i = ++reports % 5; i > 0; --i)
            workAheadOfReport();
    }
    bool helpsDuringJobs() const override { return true; }
    int reports = 0;
};

int renderThroughEngine(const PlainJob& j, const std::string& path)
{
    setSeedTime(j.seedTime);
    if (!setEngineSampleRate(j.rate))
        return -1000;
    const SignalKind kinds[] = {SignalKind::Sine, SignalKind::Sweep, SignalKind::PinkNoise, SignalKind::WhiteNoise};
    return renderSignal(path.c_str(), {kinds[static_cast<int>(j.signal)], j.frequency, j.endFrequency, j.duration,
                                       j.attenuation, j.bits});
}

// Runs the jobs in order in one engine, in each way, and holds every file
// to the plain one.
void expectPlainFiles(const std::vector<PlainJob>& jobs)
{
    const PinnedSeedTime pinned(0);  // each job pins its own
    for (const int helpers : {1, 0, -2}) {
        setEngineHelpersForTests(helpers < 0 ? 0 : helpers);
        HelpingReceiver receiver;
        ASSERT_TRUE(createEngine(helpers < 0 ? &receiver : nullptr, false));
        PlainFiles plain;
        ScratchDir dir;
        for (size_t i = 0; i < jobs.size(); ++i) {
            const PlainJob& j = jobs[i];
            const std::string path = dir.file(j.opens ? "job.wav" : "missing/job.wav");
            const std::vector<unsigned char> expected = plain.next(j);
            const int result = renderThroughEngine(j, path);
            ASSERT_EQ(result, j.opens ? kRenderOk : kRenderFailed) << "job " << i << ", helpers " << helpers;
            if (j.opens) {
                ASSERT_TRUE(readBytes(path) == expected)
                    << "job " << i << " (signal " << int(j.signal) << ", " << j.bits << " bits, " << j.rate
                    << " Hz), helpers " << helpers;
            }
        }
        shutdownEngine();
    }
    setEngineHelpersForTests(-1);
}

TEST(PlainFile, EveryKindWidthAndRate)
{
    // The pink rows carry through the whole table.
    std::vector<PlainJob> jobs;
    uint32_t seed = 1700000000;
    for (uint32_t rate : {44100u, 48000u, 96000u})
        for (int32_t bits : {16, 24, 32}) {
            jobs.push_back({S::Sine, 1000.0, 0.0, 0.15, 3, bits, rate, ++seed});
            jobs.push_back({S::Sweep, 100.0, 5000.0, 0.15, 3, bits, rate, ++seed});
            jobs.push_back({S::PinkNoise, 0.0, 0.0, 0.15, 3, bits, rate, ++seed});
            jobs.push_back({S::WhiteNoise, 0.0, 0.0, 0.15, 3, bits, rate, ++seed});
        }
    expectPlainFiles(jobs);
}

TEST(PlainFile, RangeEdgesAndJobsInSequence)
{
    expectPlainFiles({
        {S::Sine, 10.0, 0.0, 0.5, 0, 32, 96000, 1},             // the lowest tone, at full level
        {S::Sine, 22050.0, 0.0, 0.5, 3, 16, 44100, 2},          // half the rate: two samples a cycle
        {S::Sine, 1000.0, 0.0, 0.01, 90, 16, 96000, 3},         // the shortest, the deepest level
        {S::Sine, 1000.0, 0.0, 0.01, 3, 24, 44100, 4},          // one block: the silent block alone
        {S::Sine, 1000.0, 0.0, 1.0, 0, 24, 44100, 5},           // spread DC correction, body lengthened
        {S::Sine, 997.0, 0.0, 2.0, 3, 16, 96000, 6},            // trimmed DC, dithered over many chunks
        {S::Sweep, 22050.0, 10.0, 0.1, 0, 24, 96000, 7},        // the whole range, falling
        {S::Sweep, 10.0, 22050.0, 1.0, 90, 16, 48000, 8},       // rising, the dither at its largest share
        {S::Sweep, 10.0, 22050.0, 1.0, 90, 16, 48000, 8},       // the same sweep again: from its start
        {S::PinkNoise, 0.0, 0.0, 0.1, 0, 32, 44100, 9},         // clipped at full scale
        {S::PinkNoise, 0.0, 0.0, 0.1, 90, 16, 96000, 10, false}, // no file: the rows stay
        {S::PinkNoise, 0.0, 0.0, 0.7, 90, 16, 96000, 11},       // the rows of the job before
        {S::WhiteNoise, 0.0, 0.0, 0.1, 0, 16, 48000, 12, false},
        {S::WhiteNoise, 0.0, 0.0, 1.0, 0, 16, 48000, 12},       // several chunks
        {S::Sine, 440.0, 0.0, 0.3, 3, 16, 44100, 13, false},
        {S::Sine, 440.0, 0.0, 0.3, 3, 16, 44100, 13},
        {S::Sweep, 3000.0, 200.0, 0.3, 6, 16, 48000, 14, false},
        {S::Sweep, 3000.0, 200.0, 0.3, 6, 16, 48000, 14},
        {S::WhiteNoise, 0.0, 0.0, 120.0, 3, 16, 44100, 15, false},
    });
}

// A signal whose memory cannot be had gives no file and a failure, not a
// silent file.
TEST(PlainFile, NoMemoryForTheSignalIsAFailure)
{
    ASSERT_TRUE(createEngine(nullptr, false));
    ScratchDir dir;
    const std::string path = dir.file("sweep.wav");
    failingArraySize = 512 * sizeof(double);  // the sweep's fade window
    EXPECT_EQ(renderSweep(path.c_str(), 100.0, 1000.0, 0.2, 3, 24), kRenderFailed);
    EXPECT_EQ(lastRenderError(), ENOMEM);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(renderSweep(path.c_str(), 100.0, 1000.0, 0.2, 3, 24), kRenderOk);
    EXPECT_EQ(lastRenderError(), 0);
    shutdownEngine();
    EXPECT_EQ(renderWhiteNoise(path.c_str(), 0.2, 3, 24), kRenderFailed);  // no engine
}

// Whatever rounding the program set, the threads that compute samples start
// from the default: the job's thread at each job, helpers as they start.
TEST(PlainFile, TheCallersRoundingStaysOutside)
{
    const PlainJob job{S::Sine, 997.0, 0.0, 0.3, 3, 24, 48000, 1};
    const std::vector<unsigned char> expected = PlainFiles().next(job);
    ASSERT_EQ(std::fesetround(FE_UPWARD), 0);
    setEngineHelpersForTests(1);
    HelpingReceiver receiver;
    const bool created = createEngine(&receiver, false);
    ASSERT_EQ(std::fesetround(FE_DOWNWARD), 0);
    ScratchDir dir;
    const std::string path = dir.file("sine.wav");
    const PinnedSeedTime pinned(1);
    const int result = created ? renderThroughEngine(job, path) : -1;
    std::fesetround(FE_TONEAREST);
    shutdownEngine();
    setEngineHelpersForTests(-1);
    ASSERT_EQ(result, kRenderOk);
    EXPECT_TRUE(readBytes(path) == expected);
}

// FNV-1a over a whole file.
uint64_t checksum(const std::vector<unsigned char>& bytes)
{
    uint64_t h = 14695981039346656037ull;
    for (unsigned char b : bytes)
        h = (h ^ b) * 1099511628211ull;
    return h;
}

// The plain files hold the bytes the program has always written (checksums
// from before its rendering was spread over several CPUs): the short and
// long tone (its DC correction), a falling sweep and both noises, each at
// every width at 48000 Hz, one job after the other (the pink rows carried
// from width to width).
TEST(PlainFile, KeepsTheBytesOfEarlierReleases)
{
    const struct { PlainSignal signal; double duration; uint64_t sums[3]; } cases[] = {
        {S::Sine, 0.3, {16521281198117655644u, 18234426493282670701u, 14124179504207299545u}},
        {S::Sine, 3.0, {3855341909646842128u, 9875278442332572329u, 14129036510986765697u}},
        {S::Sweep, 1.5, {13619124528459474146u, 10504844559219572635u, 1652219616514480363u}},
        {S::WhiteNoise, 1.3, {2105089382881463653u, 9548479609210535358u, 15537175026483135720u}},
        {S::PinkNoise, 1.0, {6927158383424189u, 906801192777294604u, 731934191026283228u}}};
    PlainFiles plain;
    for (const auto& c : cases)
        for (int w = 0; w < 3; ++w) {
            const bool sweep = c.signal == S::Sweep;
            const PlainJob job{c.signal, sweep ? 3000.0 : 1000.0, 200.0, c.duration, 6, 16 + 8 * w, 48000, 1700000000};
            EXPECT_EQ(checksum(plain.next(job)), c.sums[w]) << int(c.signal) << " " << c.duration << " s, " << job.bits;
        }
}

}  // namespace
