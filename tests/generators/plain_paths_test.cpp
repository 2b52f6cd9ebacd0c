// Every signal through its plain definition and through the product's fills,
// with each way the product computes ahead: no runner, a pool without
// helpers, a pool with one helper thread, and a runner that does its pieces
// late and last first. The bytes must be the same. (The suites are also run
// with VELTRANE_ISA=baseline, which picks the portable kernels.)
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "late_runner.h"
#include "plain_noise.h"
#include "plain_sines.h"
#include "pink_noise.h"
#include "seed_clock.h"
#include "tone_generator.h"
#include "white_noise.h"
#include "work_pool.h"

namespace {

constexpr uint32_t kBlock = 512;

struct PinnedSeedTime {
    explicit PinnedSeedTime(int64_t seconds) { setSeedTime(seconds); }
    ~PinnedSeedTime() { setSeedTime(std::nullopt); }
};

// The product's ways of computing ahead, each one generator's runner.
class Runners {
public:
    static constexpr int kCount = 4;
    RangeRunner* operator[](int k)
    {
        RangeRunner* const all[kCount] = {nullptr, &noHelper_, &oneHelper_, &late_};
        return all[k];
    }

private:
    WorkPool noHelper_{0, false};
    WorkPool oneHelper_{1, false};
    LateRunner late_;
};

// The blocks of the armed sine signal, at most `most` of them.
std::vector<int32_t> renderSine(ToneGenerator& gen, size_t most = SIZE_MAX)
{
    std::vector<int32_t> all, copy(kBlock);
    for (size_t b = 0; b < most && (gen.toneActive() || gen.sweepActive()); ++b) {
        all.resize(all.size() + kBlock);
        int32_t* out = all.data() + all.size() - kBlock;
        if (gen.toneActive())
            gen.fillToneBlock(out, copy.data());
        else
            gen.fillSweepBlock(out, copy.data());
        EXPECT_TRUE(std::equal(copy.begin(), copy.end(), out));
    }
    return all;
}

struct ProductWhite : WhiteNoiseGenerator {
    bool active() const { return whiteActive(); }
};
struct ProductPink : PinkNoiseGenerator {
    bool active() const { return pinkActive(); }
};

template <class Generator, class Fill>
std::vector<int32_t> renderNoise(Generator& gen, Fill fill, uint32_t count = kBlock, size_t most = SIZE_MAX)
{
    std::vector<int32_t> all;
    for (size_t b = 0; b < most && gen.active(); ++b) {
        all.resize(all.size() + count, 77);
        fill(gen, all.data() + all.size() - count, count);
    }
    return all;
}

struct ToneRequest {
    double rate, frequency, duration;
    uint32_t attenuation;
    int32_t width;
};

std::vector<ToneRequest> toneRequests()
{
    std::vector<ToneRequest> requests;
    for (double rate : {44100.0, 48000.0, 96000.0})
        for (int32_t width : {16, 24, 32})
            requests.push_back({rate, 997.0, 0.3, 3, width});
    const ToneRequest edges[] = {
        {44100, 1000, 1.0, 0, 24},    // spread correction, body lengthened
        {96000, 997, 2.0, 3, 24},     // discrete trim
        {44100, 10, 0.2, 16, 16},     // two body samples
        {44100, 100, 0.03, 0, 32},    // fades of half the tone
        {96000, 1000, 0.01, 90, 16},  // the shortest duration, the deepest level
        {44100, 22050, 0.5, 0, 32},   // the highest frequency: two samples a cycle
        {48000, 10, 1.0, 0, 16},      // a DC shift at the peaks
        {96000, 4321.5, 10.0, 1, 32}, // the longest corrected tone
        {96000, 4321.5, 10.5, 1, 24}, // not corrected
        {44100, 1000, 0.01, 0, 32},   // refused: one block
        {44100, 10, 0.1, 0, 32},      // refused: one cycle
    };
    requests.insert(requests.end(), std::begin(edges), std::end(edges));
    return requests;
}

}  // namespace

TEST(PlainPaths, TonesMatchTheirPlainDefinition)
{
    Runners runners;
    const std::vector<ToneRequest> requests = toneRequests();
    std::vector<std::vector<int32_t>> plain;
    for (const ToneRequest& r : requests)
        plain.push_back(plainTone(r.rate, r.frequency, r.duration, r.attenuation, r.width, kBlock));
    for (int k = 0; k < Runners::kCount; ++k) {
        // One generator for the whole table: nothing of a request may stay
        // for the next, not even of a job stopped after a few blocks.
        ToneGenerator gen(kBlock);
        gen.setRangeRunner(runners[k]);
        for (size_t i = 0; i < requests.size(); ++i) {
            const ToneRequest& r = requests[i];
            gen.configureTone(r.rate, r.frequency, r.duration, r.attenuation, r.width);
            ASSERT_EQ(renderSine(gen), plain[i]) << "runner " << k << ", request " << i;
            gen.configureTone(r.rate, r.frequency, r.duration, r.attenuation, r.width);
            renderSine(gen, 3);
            gen.disarm();
        }
    }
}

TEST(PlainPaths, SweepsMatchTheirPlainDefinitionAlsoWhenRestarted)
{
    struct Sweep { double rate, start, end, duration; uint32_t attenuation; int32_t width; };
    std::vector<Sweep> requests;
    for (double rate : {44100.0, 48000.0, 96000.0})
        for (int32_t width : {16, 24, 32})
            requests.push_back({rate, 20.0, 20000.0, 0.3, 3, width});
    for (const Sweep& s : {Sweep{96000, 20, 22050, 2.0, 0, 24}, Sweep{48000, 1000, 100, 1.0, 90, 16},
                           Sweep{44100, 440, 440, 0.1, 0, 32}, Sweep{44100, 10, 22050, 0.01, 0, 32}})
        requests.push_back(s);
    Runners runners;
    for (int k = 0; k < Runners::kCount; ++k) {
        ToneGenerator gen(kBlock);
        gen.setRangeRunner(runners[k]);
        for (size_t i = 0; i < requests.size(); ++i) {
            const Sweep& s = requests[i];
            const std::vector<int32_t> plain =
                plainSweep(s.rate, s.start, s.end, s.duration, s.attenuation, s.width, kBlock);
            gen.configureSweep(s.rate, s.start, s.end, s.duration, s.attenuation, s.width);
            ASSERT_EQ(renderSine(gen), plain) << "runner " << k << ", request " << i;
            if (plain.empty())
                continue;
            // A request while the sweep runs starts it again from its first
            // block, and a stopped sweep leaves nothing behind.
            const size_t half = plain.size() / kBlock / 2;
            gen.configureSweep(s.rate, s.start, s.end, s.duration, s.attenuation, s.width);
            std::vector<int32_t> restarted = renderSine(gen, half);
            gen.configureSweep(48000, 50, 60, 1.0, 0, 32);
            const std::vector<int32_t> rest = renderSine(gen);
            restarted.insert(restarted.end(), rest.begin(), rest.end());
            std::vector<int32_t> expected(plain.begin(), plain.begin() + half * kBlock);
            expected.insert(expected.end(), plain.begin(), plain.end());
            ASSERT_EQ(restarted, expected) << "runner " << k << ", restarted request " << i;
            gen.configureSweep(s.rate, s.start, s.end, s.duration, s.attenuation, s.width);
            renderSine(gen, 2);
            gen.disarm();
        }
    }
}

TEST(PlainPaths, WhiteNoiseMatchesItsPlainDefinition)
{
    PinnedSeedTime pinned(1700000000);
    struct Noise { uint32_t rate; int32_t width; double duration; uint32_t attenuation; uint32_t block; };
    std::vector<Noise> requests;
    for (uint32_t rate : {44100u, 48000u, 96000u})
        for (int32_t width : {16, 24, 32})
            requests.push_back({rate, width, 0.3, 3, kBlock});
    for (const Noise& n : {Noise{96000, 32, 0.9, 0, 511},  // odd blocks: half-used pairs, several chunks
                           Noise{44100, 16, 0.25, 90, kBlock}, Noise{44100, 24, 0.1, 0, kBlock},
                           Noise{48000, 16, 0.2, 87, 7}})
        requests.push_back(n);
    const auto fill = [](auto& g, int32_t* s, uint32_t n) {
        if constexpr (std::is_same_v<std::decay_t<decltype(g)>, PlainWhiteNoise>)
            g.fillBlock(s, n);
        else
            g.fillWhiteBlock(s, n);
    };
    Runners runners;
    for (int k = 0; k < Runners::kCount; ++k) {
        ProductWhite gen;
        gen.setRangeRunner(runners[k]);
        for (size_t i = 0; i < requests.size(); ++i) {
            const Noise& n = requests[i];
            PlainWhiteNoise plain;
            plain.configure(n.rate, n.width, n.duration, n.attenuation);
            gen.configureWhite(n.rate, n.width, n.duration, n.attenuation);
            ASSERT_EQ(renderNoise(gen, fill, n.block), renderNoise(plain, fill, n.block))
                << "runner " << k << ", request " << i;
            gen.configureWhite(n.rate, n.width, n.duration, n.attenuation);
            renderNoise(gen, fill, n.block, 3);
            gen.disarm();
        }
    }
}

TEST(PlainPaths, PinkNoiseMatchesItsPlainDefinitionAcrossSignals)
{
    // One source carried from signal to signal, also into states where most
    // renewals are refused (rows low, sum at its bound) and where a sample
    // lies beyond full scale.
    ProductPink gen;
    PlainPinkNoise plain;
    plain.source = *gen.source;
    const auto fill = [](auto& g, int32_t* s, uint32_t n) {
        if constexpr (std::is_same_v<std::decay_t<decltype(g)>, PlainPinkNoise>)
            g.fillBlock(s, n);
        else
            g.fillPinkBlock(s, n);
    };
    const auto both = [&](uint32_t rate, int32_t width, double duration, uint32_t attenuation, uint32_t block) {
        gen.configurePink(rate, width, duration, attenuation);
        plain.configure(rate, width, duration, attenuation);
        return std::pair{renderNoise(gen, fill, block), renderNoise(plain, fill, block)};
    };
    int64_t seed = 1700000000;
    for (uint32_t rate : {44100u, 48000u, 96000u})
        for (int32_t width : {16, 24, 32}) {
            PinnedSeedTime pinned(++seed);
            const auto [fast, slow] = both(rate, width, 0.3, 3, kBlock);
            ASSERT_FALSE(fast.empty());
            ASSERT_EQ(fast, slow) << rate << " " << width;
        }
    for (int32_t width : {16, 24, 32}) {
        for (PinkNoiseSource* s : {gen.source.get(), &plain.source}) {
            std::fill(s->rows, s->rows + 16, width == 24 ? 0.25f : -0.375f);
            s->runningSum = 4.0f;
        }
        PinnedSeedTime pinned(++seed);
        const auto [fast, slow] = both(44100, width, 0.25, width == 24 ? 0 : 90, 511);
        ASSERT_EQ(fast, slow) << width;
    }
    EXPECT_EQ(gen.source->lcgState, plain.source.lcgState);
    EXPECT_EQ(gen.source->rowCounter, plain.source.rowCounter);
    EXPECT_EQ(gen.source->runningSum, plain.source.runningSum);
}
