// Per-sample costs of a render job, piece by piece: each generator's fill,
// the 16-bit dither, the device's width conversion and the WAVE writer, and
// the floors they are judged against (the bare arithmetic each signal needs).
//
// Every case reports "per_sample": the time for one output sample (one frame
// of the file; both channels carry the same sample).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "audio_host.h"
#include "engine.h"
#include "mwc_random.h"
#include "pink_noise.h"
#include "seed_clock.h"
#include "tone_generator.h"
#include "wav_audio_driver.h"
#include "wave_file.h"
#include "white_noise.h"

namespace {

constexpr int kBlock = kBlockFrames;
// The largest job: 120 s at 96000 Hz.
constexpr double kRate = 96000.0;
constexpr double kSeconds = 120.0;
constexpr uint32_t kJobSamples = 11520000;

void perSample(benchmark::State& state, double samplesPerIteration)
{
    state.counters["per_sample"] = benchmark::Counter(
        samplesPerIteration, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// ------------------------------------------------------------ generator fills

void BM_FillTone(benchmark::State& state)
{
    const int bits = static_cast<int>(state.range(0));
    ToneGenerator tone(kBlock);
    std::vector<int32_t> first(kBlock), second(kBlock);
    for (auto _ : state) {
        if (!tone.toneActive())
            tone.configureTone(kRate, 1000.0, kSeconds, 3, bits);
        tone.fillToneBlock(first.data(), second.data());
        benchmark::DoNotOptimize(first.data());
    }
    perSample(state, kBlock);
}
BENCHMARK(BM_FillTone)->Arg(16)->Arg(24)->Arg(32);

void BM_FillSweep(benchmark::State& state)
{
    const int bits = static_cast<int>(state.range(0));
    ToneGenerator tone(kBlock);
    std::vector<int32_t> first(kBlock), second(kBlock);
    for (auto _ : state) {
        if (!tone.sweepActive())
            tone.configureSweep(kRate, 20.0, 20000.0, kSeconds, 3, bits);
        tone.fillSweepBlock(first.data(), second.data());
        benchmark::DoNotOptimize(first.data());
    }
    perSample(state, kBlock);
}
BENCHMARK(BM_FillSweep)->Arg(16)->Arg(24)->Arg(32);

void BM_FillPink(benchmark::State& state)
{
    const int bits = static_cast<int>(state.range(0));
    PinkNoiseGenerator pink;
    std::vector<int32_t> block(kBlock);
    for (auto _ : state) {
        if (!pink.pinkActive())
            pink.configurePink(96000, bits, kSeconds, 3);
        pink.fillPinkBlock(block.data(), kBlock);
        benchmark::DoNotOptimize(block.data());
    }
    perSample(state, kBlock);
}
BENCHMARK(BM_FillPink)->Arg(16)->Arg(24)->Arg(32);

void BM_FillWhite(benchmark::State& state)
{
    const int bits = static_cast<int>(state.range(0));
    WhiteNoiseGenerator white;
    std::vector<int32_t> block(kBlock);
    for (auto _ : state) {
        if (!white.whiteActive())
            white.configureWhite(96000, bits, kSeconds, 3);
        white.fillWhiteBlock(block.data(), kBlock);
        benchmark::DoNotOptimize(block.data());
    }
    perSample(state, kBlock);
}
BENCHMARK(BM_FillWhite)->Arg(16)->Arg(24)->Arg(32);

// ------------------------------------------------------------ dither

// One block pair of 32-bit-scale tone samples, restored before every pass so
// that each pass dithers full-scale values (the restore is two 2 KiB copies).
void BM_Dither(benchmark::State& state)
{
    ToneGenerator tone(kBlock);
    tone.configureTone(kRate, 997.0, kSeconds, 0, 16);
    std::vector<int32_t> sourceFirst(kBlock), sourceSecond(kBlock), first(kBlock), second(kBlock);
    tone.fillToneBlock(sourceFirst.data(), sourceSecond.data());
    tone.fillToneBlock(sourceFirst.data(), sourceSecond.data());
    AudioHost::seedDither(1700000000u);
    for (auto _ : state) {
        std::memcpy(first.data(), sourceFirst.data(), sizeof(int32_t) * kBlock);
        std::memcpy(second.data(), sourceSecond.data(), sizeof(int32_t) * kBlock);
        AudioHost::ditherTo16Bits(first.data(), second.data(), kBlock);
        benchmark::DoNotOptimize(first.data());
        benchmark::DoNotOptimize(second.data());
    }
    perSample(state, kBlock);
}
BENCHMARK(BM_Dither);

// ------------------------------------------------------------ width conversion

bool answerTrue(int, bool) { return true; }
void ignoreRate(double) {}
int answerZero(int, int) { return 0; }

// pullBlock with a callback that leaves the device's buffer as it is: the
// cost of the conversion alone (plus one indirect call per block).
void BM_Convert(benchmark::State& state)
{
    const int bits = static_cast<int>(state.range(0));
    WavAudioDriver device(nullptr, kBlock, false);
    BufferInfo infos[2] = {{0, 0, {nullptr, nullptr}}, {0, 1, {nullptr, nullptr}}};
    const HostCallbacks callbacks{&answerTrue, &ignoreRate, &answerZero, nullptr};
    if (device.createBuffers(infos, 2, kBlock, &callbacks) != kDeviceOk) {
        state.SkipWithError("no buffers");
        return;
    }
    auto* samples = static_cast<int32_t*>(infos[0].buffers[0]);
    uint32_t x = 12345;
    for (int i = 0; i < kBlock; ++i) {
        x = x * 1664525u + 1013904223u;
        samples[i] = static_cast<int32_t>(x) >> (32 - bits);
    }
    std::vector<unsigned char> block(static_cast<size_t>(blockBytesForBits(bits)));
    for (auto _ : state) {
        device.pullBlock(block.data(), bits);
        benchmark::DoNotOptimize(block.data());
    }
    perSample(state, kBlock);
    device.disposeBuffers();
}
BENCHMARK(BM_Convert)->Arg(16)->Arg(24)->Arg(32);

// ------------------------------------------------------------ WAVE writer

std::string scratchPath()
{
    const char* dir = std::getenv("VELTRANE_BENCH_DIR");
    return std::string(dir ? dir : "/tmp") + "/veltrane-bench-" + std::to_string(::getpid()) + ".wav";
}

// A whole largest job's worth of blocks per iteration, through the writer.
// Arg 1: into an ext4 file that the previous iteration left (overwriting, as
// a repeated job does); arg 0: into /dev/null (the writer's own copying and
// system-call cost, without the page cache).
void BM_Writer(benchmark::State& state)
{
    const int bits = static_cast<int>(state.range(0));
    const bool toFile = state.range(1) != 0;
    const std::string path = toFile ? scratchPath() : "/dev/null";
    const int bytes = blockBytesForBits(bits);
    const int blocks = static_cast<int>(kJobSamples / kBlock) + 1;
    std::vector<unsigned char> block(static_cast<size_t>(bytes), 0x5A);
    for (auto _ : state) {
        if (!openWaveFile(path.c_str(), 96000, bits)) {
            state.SkipWithError("cannot open the scratch file");
            break;
        }
        for (int i = 0; i < blocks; ++i)
            writeWaveBlock(block.data(), bytes);
        closeWaveFile();
    }
    perSample(state, static_cast<double>(blocks) * kBlock);
    if (toFile)
        std::filesystem::remove(path);
}
BENCHMARK(BM_Writer)
    ->ArgsProduct({{16, 24, 32}, {0, 1}})
    ->ArgNames({"bits", "file"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// ------------------------------------------------------------ whole jobs

// A largest job through the engine's entry points, into a file that the
// previous iteration left: what a job costs without any front end.
// Arg 0: 0 tone 1000 Hz, 1 sweep 20-20000 Hz, 2 pink, 3 white, 4 a 10 s tone
// (computed twice for its DC correction); arg 1: bits.
void BM_Job(benchmark::State& state)
{
    const int kind = static_cast<int>(state.range(0));
    const int bits = static_cast<int>(state.range(1));
    const std::string path = scratchPath();
    setSeedTime(1700000000);
    createEngine(nullptr, false);
    setEngineSampleRate(96000);
    const double seconds = kind == 4 ? 10.0 : kSeconds;
    for (auto _ : state) {
        int result = 0;
        switch (kind) {
        case 0: case 4: result = renderSine(path.c_str(), 1000.0, seconds, 3, bits); break;
        case 1: result = renderSweep(path.c_str(), 20.0, 20000.0, seconds, 3, bits); break;
        case 2: result = renderPinkNoise(path.c_str(), seconds, 3, bits); break;
        default: result = renderWhiteNoise(path.c_str(), seconds, 3, bits); break;
        }
        if (result != kRenderOk) {
            state.SkipWithError("the job failed");
            break;
        }
    }
    perSample(state, 96000.0 * seconds);
    shutdownEngine();
    setSeedTime(std::nullopt);
    std::filesystem::remove(path);
}
BENCHMARK(BM_Job)
    ->ArgsProduct({{0, 1, 2, 3}, {16, 24, 32}})
    ->Args({4, 24})
    ->ArgNames({"kind", "bits"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// ------------------------------------------------------------ floors

// Tone and sweep: one sin per sample over the largest job's phase range,
// truncated to an integer as the samples are.
void BM_FloorSin(benchmark::State& state)
{
    const double step = 6.28318530718 / (kRate / 1000.0);
    std::vector<int32_t> block(kBlock);
    double phase = 0.0;
    uint32_t done = 0;
    for (auto _ : state) {
        for (int i = 0; i < kBlock; ++i) {
            phase = phase + step;
            block[i] = static_cast<int32_t>(std::sin(phase) * 1518500249.0);
        }
        benchmark::DoNotOptimize(block.data());
        done += kBlock;
        if (done >= kJobSamples) {
            done = 0;
            phase = 0.0;
        }
    }
    perSample(state, kBlock);
}
BENCHMARK(BM_FloorSin);

// White noise: the gaussian pair (two uniforms, log, sqrt, cos and sin) per
// two samples.
void BM_FloorGaussianPair(benchmark::State& state)
{
    MwcRandom source;
    source.seed(1700000000u);
    std::vector<double> block(kBlock);
    for (auto _ : state) {
        for (int i = 0; i < kBlock; i += 2)
            source.nextGaussianPair(block[i], block[i + 1]);
        benchmark::DoNotOptimize(block.data());
    }
    perSample(state, kBlock);
}
BENCHMARK(BM_FloorGaussianPair);

// Pink noise one value at a time: a row renewal with its running sum and
// the white term, each drawing its own words (the block fill draws ahead).
void BM_FloorPinkRow(benchmark::State& state)
{
    PinkNoiseSource source;
    source.lcgState = 1700000000u;
    std::vector<float> block(kBlock);
    for (auto _ : state) {
        for (int i = 0; i < kBlock; ++i)
            block[i] = source.nextPinkSample();
        benchmark::DoNotOptimize(block.data());
    }
    perSample(state, kBlock);
}
BENCHMARK(BM_FloorPinkRow);

}  // namespace

BENCHMARK_MAIN();
