// Every signal through its plain definition and through the product's fills,
// with each way the product computes ahead: no runner, a pool without
// helpers, a pool with one helper thread, and a runner that does its pieces
// late and last first. The bytes must be the same. (CTest runs these once
// more with VELTRANE_ISA=baseline, which picks the portable kernels.)
#include <gtest/gtest.h>

#include <vector>

#include "late_runner.h"
#include "plain_noise.h"
#include "plain_sines.h"
#include "pinned_seed_time.h"
#include "tone_generator.h"
#include "white_noise.h"
#include "work_pool.h"

namespace {

constexpr uint32_t kBlock = 512;

struct Runners {
    WorkPool noHelper{0, false}, oneHelper{1, false};
    LateRunner late;
    RangeRunner* const all[4] = {nullptr, &noHelper, &oneHelper, &late};
};

// The blocks of the armed sine signal, at most `most` of them.
std::vector<int32_t> renderSine(ToneGenerator& gen, size_t most = SIZE_MAX)
{
    std::vector<int32_t> all, copy(kBlock);
    for (size_t b = 0; b < most && (gen.toneActive() || gen.sweepActive()); ++b) {
        all.resize(all.size() + kBlock);
        int32_t* out = all.data() + all.size() - kBlock;
        gen.toneActive() ? gen.fillToneBlock(out, copy.data()) : gen.fillSweepBlock(out, copy.data());
        EXPECT_TRUE(std::equal(copy.begin(), copy.end(), out));
    }
    return all;
}

// The blocks of count samples of a noise, written over a non-zero filler.
template <class Active, class Fill>
std::vector<int32_t> renderNoise(Active active, Fill fill, uint32_t count, size_t most = SIZE_MAX)
{
    std::vector<int32_t> all;
    for (size_t b = 0; b < most && active(); ++b) {
        all.resize(all.size() + count, 77);
        fill(all.data() + all.size() - count, count);
    }
    return all;
}

struct Request {
    double rate, from, to, duration;  // a tone's frequency is from
    uint32_t attenuation;
    int32_t width;
    uint32_t block = kBlock;          // the noises' fills
};

// Every rate and width, then the edges.
std::vector<Request> requests(double from, double to, std::initializer_list<Request> edges)
{
    std::vector<Request> all;
    for (double rate : {44100.0, 48000.0, 96000.0})
        for (int32_t width : {16, 24, 32})
            all.push_back({rate, from, to, 0.3, 3, width});
    all.insert(all.end(), edges);
    return all;
}

}  // namespace

TEST(PlainPaths, TonesMatchTheirPlainDefinition)
{
    const std::vector<Request> tones = requests(997, 0, {
        {44100, 1000, 0, 1.0, 0, 24},     // spread correction, body lengthened
        {96000, 997, 0, 2.0, 3, 24},      // discrete trim
        {44100, 10, 0, 0.2, 16, 16},      // two body samples
        {44100, 100, 0, 0.03, 0, 32},     // fades of half the tone
        {96000, 1000, 0, 0.01, 90, 16},   // the shortest duration, the deepest level
        {44100, 22050, 0, 0.5, 0, 32},    // the highest frequency: two samples a cycle
        {48000, 10, 0, 1.0, 0, 16},       // a DC shift at the peaks
        {96000, 4321.5, 0, 10.0, 1, 32},  // the longest corrected tone
        {96000, 4321.5, 0, 10.5, 1, 24},  // not corrected
        {44100, 1000, 0, 0.01, 0, 32},    // refused: one block
        {44100, 10, 0, 0.1, 0, 32}});     // refused: one cycle
    std::vector<std::vector<int32_t>> plain;
    for (const Request& r : tones)
        plain.push_back(plainTone(r.rate, r.from, r.duration, r.attenuation, r.width, kBlock));
    Runners runners;
    for (RangeRunner* runner : runners.all) {
        // One generator for the whole table: nothing of a request may stay
        // for the next, not even of a job stopped after a few blocks.
        ToneGenerator gen(kBlock);
        gen.setRangeRunner(runner);
        for (size_t i = 0; i < tones.size(); ++i) {
            const Request& r = tones[i];
            gen.configureTone(r.rate, r.from, r.duration, r.attenuation, r.width);
            ASSERT_EQ(renderSine(gen), plain[i]) << "runner " << runner << ", request " << i;
            gen.configureTone(r.rate, r.from, r.duration, r.attenuation, r.width);
            renderSine(gen, 3);
            gen.disarm();
        }
    }
}

TEST(PlainPaths, SweepsMatchTheirPlainDefinitionAlsoWhenRestarted)
{
    const std::vector<Request> sweeps = requests(20, 20000, {
        {96000, 20, 22050, 2.0, 0, 24}, {48000, 1000, 100, 1.0, 90, 16}, {44100, 440, 440, 0.1, 0, 32},
        {44100, 10, 22050, 0.01, 0, 32}});  // refused: too few blocks
    Runners runners;
    for (RangeRunner* runner : runners.all) {
        ToneGenerator gen(kBlock);
        gen.setRangeRunner(runner);
        for (size_t i = 0; i < sweeps.size(); ++i) {
            const Request& s = sweeps[i];
            const auto arm = [&] { gen.configureSweep(s.rate, s.from, s.to, s.duration, s.attenuation, s.width); };
            const std::vector<int32_t> plain = plainSweep(s.rate, s.from, s.to, s.duration, s.attenuation, s.width, kBlock);
            arm();
            ASSERT_EQ(renderSine(gen), plain) << "runner " << runner << ", request " << i;
            if (plain.empty())
                continue;
            // A request while the sweep runs starts it again from its first
            // block, whatever its values; a stopped sweep leaves nothing behind.
            const size_t half = plain.size() / kBlock / 2;
            arm();
            std::vector<int32_t> restarted = renderSine(gen, half), expected(plain.begin(), plain.begin() + half * kBlock);
            gen.configureSweep(48000, 50, 60, 1.0, 0, 32);
            const std::vector<int32_t> rest = renderSine(gen);
            restarted.insert(restarted.end(), rest.begin(), rest.end());
            expected.insert(expected.end(), plain.begin(), plain.end());
            ASSERT_EQ(restarted, expected) << "runner " << runner << ", restarted request " << i;
            arm();
            renderSine(gen, 2);
            gen.disarm();
        }
    }
}

TEST(PlainPaths, WhiteNoiseMatchesItsPlainDefinition)
{
    PinnedSeedTime pinned(1700000000);
    const std::vector<Request> noises = requests(0, 0, {
        {96000, 0, 0, 0.9, 0, 32, 511},  // odd blocks: half-used pairs, over several chunks
        {44100, 0, 0, 0.25, 90, 16}, {44100, 0, 0, 0.1, 0, 24}, {48000, 0, 0, 0.2, 87, 16, 7}});
    Runners runners;
    for (RangeRunner* runner : runners.all) {
        WhiteNoiseGenerator gen;
        gen.setRangeRunner(runner);
        const auto active = [&] { return gen.whiteActive(); };
        const auto fill = [&](int32_t* s, uint32_t n) { gen.fillWhiteBlock(s, n); };
        for (size_t i = 0; i < noises.size(); ++i) {
            const Request& r = noises[i];
            gen.configureWhite(uint32_t(r.rate), r.width, r.duration, r.attenuation);
            ASSERT_EQ(renderNoise(active, fill, r.block),
                      plainWhiteNoise(uint32_t(r.rate), r.duration, r.attenuation, r.width, 1700000000, r.block))
                << "runner " << runner << ", request " << i;
            gen.configureWhite(uint32_t(r.rate), r.width, r.duration, r.attenuation);
            renderNoise(active, fill, r.block, 3);
            gen.disarm();
        }
    }
}

TEST(PlainPaths, PinkNoiseMatchesItsPlainDefinitionAcrossSignals)
{
    // One source carried from signal to signal, also through states where
    // most renewals are refused (rows low or high, the sum at its bound).
    PinkNoiseGenerator gen;
    PinkNoiseSource plain = *gen.source;
    const std::vector<Request> noises = requests(0, 0, {
        {44100, 0, 0, 0.25, 90, 16, 511}, {44100, 0, 0, 0.25, 0, 24, 511}, {48000, 0, 0, 0.25, 0, 32, 7}});
    for (size_t i = 0; i < noises.size(); ++i) {
        const Request& r = noises[i];
        if (i >= 9)
            for (PinkNoiseSource* s : {gen.source.get(), &plain}) {
                std::fill(s->rows, s->rows + 16, i == 10 ? 0.25f : -0.375f);
                s->runningSum = 4.0f;
            }
        PinnedSeedTime pinned(1700000000 + int64_t(i));
        gen.configurePink(uint32_t(r.rate), r.width, r.duration, r.attenuation);
        const auto product = renderNoise([&] { return gen.pinkActive(); },
                                         [&](int32_t* s, uint32_t n) { gen.fillPinkBlock(s, n); }, r.block);
        ASSERT_FALSE(product.empty());
        ASSERT_EQ(product, plainPinkNoise(plain, uint32_t(r.rate), r.duration, r.attenuation, r.width,
                                          uint32_t(1700000000 + i), r.block))
            << "request " << i;
    }
    EXPECT_EQ(std::vector({gen.source->lcgState, gen.source->rowCounter, gen.source->conversionWord}),
              std::vector({plain.lcgState, plain.rowCounter, plain.conversionWord}));
}
