#include "dither.h"

#include <cstring>

#include "kernel_set.h"

namespace {

// The dither's congruential source, one step: state * 214013 + 2531011.
// k steps at once are state * A + C with the pair that jump() answers, so
// draws far apart in the sequence can be made without waiting on each other.
struct DitherJump {
    uint32_t a;
    uint32_t c;
};

constexpr DitherJump jump(int steps)
{
    DitherJump j{1u, 0u};
    for (int k = 0; k < steps; ++k)
        j = DitherJump{j.a * 214013u, j.c * 214013u + 2531011u};
    return j;
}

constexpr DitherJump kStep1 = jump(1);
constexpr DitherJump kStep2 = jump(2);
constexpr DitherJump kStep3 = jump(3);
constexpr DitherJump kStep4 = jump(4);
// Frames are dithered in groups of kLanes, each frame of a group from its own
// state (its four draws), so the group's arithmetic runs side by side.
constexpr int kLanes = 8;
constexpr DitherJump kGroupStep = jump(4 * kLanes);

inline uint32_t advance(uint32_t state, DitherJump j)
{
    return state * j.a + j.c;
}

inline uint32_t drawOf(uint32_t state)
{
    return (state >> 16) & 0x7FFFu;
}

// The magnitude plus two draws of 0..32767, shifted down by 16, with the
// sample's sign put back: the magnitude over 65536 rounded with triangular
// dither. Zero stays zero. The sum is at most 2^31 + 65534, so it is formed
// in unsigned 32 bits without overflow. negative is 0 or all bits set.
inline int32_t ditherSample(int32_t s, uint32_t r1, uint32_t r2)
{
    const auto negative = static_cast<uint32_t>(s >> 31);
    const uint32_t magnitude = (static_cast<uint32_t>(s) ^ negative) - negative;
    const uint32_t reduced = (r1 + r2 + magnitude) >> 16;
    return static_cast<int32_t>((reduced ^ negative) - negative);
}

// kLanes unsigned 32-bit values side by side; on targets without vector
// registers of that width the compiler splits the operations. All of it is
// integer arithmetic, so every lane gives exactly what the scalar code gives.
typedef uint32_t LaneWord __attribute__((vector_size(4 * kLanes)));
typedef int32_t SignedLaneWord __attribute__((vector_size(4 * kLanes)));

// ditherSample on every lane; s is replaced by its dithered value.
inline void ditherLanes(LaneWord& s, const LaneWord& r1, const LaneWord& r2)
{
    const auto negative = reinterpret_cast<LaneWord>(reinterpret_cast<SignedLaneWord>(s) >> 31);
    const LaneWord magnitude = (s ^ negative) - negative;
    const LaneWord reduced = (r1 + r2 + magnitude) >> 16;
    s = (reduced ^ negative) - negative;
}

// Four draws per frame: two for first[i], then two for second[i]. Compiled
// twice, for AVX2 and for the baseline, and chosen once at start-up.
__attribute__((always_inline)) inline void ditherFramesBody(int32_t* first, int32_t* second, int count,
                                                            uint32_t& ditherState)
{
    uint32_t state = ditherState;
    int i = 0;
    if (count >= kLanes) {
        LaneWord lane;
        lane[0] = state;
        for (int j = 1; j < kLanes; ++j)
            lane[j] = advance(lane[j - 1], kStep4);
        for (; i + kLanes <= count; i += kLanes) {
            const LaneWord s1 = lane * kStep1.a + kStep1.c;
            const LaneWord s2 = lane * kStep2.a + kStep2.c;
            const LaneWord s3 = lane * kStep3.a + kStep3.c;
            const LaneWord s4 = lane * kStep4.a + kStep4.c;
            LaneWord a, b;
            std::memcpy(&a, first + i, sizeof a);
            std::memcpy(&b, second + i, sizeof b);
            ditherLanes(a, (s1 >> 16) & 0x7FFFu, (s2 >> 16) & 0x7FFFu);
            ditherLanes(b, (s3 >> 16) & 0x7FFFu, (s4 >> 16) & 0x7FFFu);
            std::memcpy(first + i, &a, sizeof a);
            std::memcpy(second + i, &b, sizeof b);
            lane = lane * kGroupStep.a + kGroupStep.c;
        }
        state = lane[0];
    }
    for (; i < count; ++i) {
        first[i] = ditherSample(first[i], drawOf(advance(state, kStep1)), drawOf(advance(state, kStep2)));
        second[i] = ditherSample(second[i], drawOf(advance(state, kStep3)), drawOf(advance(state, kStep4)));
        state = advance(state, kStep4);
    }
    ditherState = state;
}

using DitherFrames = void (*)(int32_t*, int32_t*, int, uint32_t&);

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2"))) void ditherFramesAvx2(int32_t* first, int32_t* second, int count, uint32_t& state)
{
    ditherFramesBody(first, second, count, state);
}
#endif

void ditherFramesBaseline(int32_t* first, int32_t* second, int count, uint32_t& state)
{
    ditherFramesBody(first, second, count, state);
}

// An ordinary pointer chosen during static initialisation, rather than a
// loader-resolved function, so that it also works under sanitizers whose
// runtime starts after the loader.
const DitherFrames chosenFrames = [] {
#if defined(__x86_64__) || defined(__i386__)
    if (kernelSet() == KernelSet::Avx2)
        return &ditherFramesAvx2;
#endif
    return &ditherFramesBaseline;
}();

}  // namespace

int nextDitherDraw(uint32_t& state)
{
    state = advance(state, kStep1);
    return static_cast<int>(drawOf(state));
}

void ditherFrames(int32_t* first, int32_t* second, int count, uint32_t& state)
{
    chosenFrames(first, second, count, state);
}
