// Cost of arming a tone: a tone of at most 10 s is rendered once more (twice
// when its body is lengthened) inside its configure to measure its DC. The
// fills themselves are measured per sample in bench_engine.
#include <benchmark/benchmark.h>

#include "tone_generator.h"

namespace {

void BM_ConfigureTenSecondTone(benchmark::State& state)
{
    const double rate = static_cast<double>(state.range(0));
    ToneGenerator gen(512);
    for (auto _ : state) {
        gen.configureTone(rate, 997.0, 10.0, 3, 24);
        gen.disarm();
    }
}

}  // namespace

BENCHMARK(BM_ConfigureTenSecondTone)->Arg(44100)->Arg(96000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
