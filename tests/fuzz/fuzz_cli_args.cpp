// The command line's argument parsing: any argument list either is refused
// with a message or yields a request whose every value lies in the range the
// engine takes. Note names either resolve to a note of the table or to none.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli_options.h"
#include "fuzz_invariant.h"
#include "note_names.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Arguments are separated by NUL bytes.
    std::vector<std::string> args(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back() += static_cast<char>(data[i]);
    }
    for (const std::string& arg : args) {
        const auto index = noteIndexFromName(arg);
        if (index && (*index < 0 || *index > 107))
            fail("note index outside the table");
    }

    const CliParseResult result = parseCliArguments(args);
    if (!result.error.empty() || result.options.command != CliCommand::Render)
        return 0;
    const CliOptions& o = result.options;
    const bool sine = o.signal == CliSignal::Sine;
    const double minimum = sine ? kMinSineSeconds : kMinSweepNoiseSeconds;
    if (!(o.duration >= minimum && o.duration <= kMaxSeconds))
        fail("duration out of range accepted");
    if (o.attenuation > kMaxAttenuationDb)
        fail("attenuation out of range accepted");
    if (o.rate != 44100 && o.rate != 48000 && o.rate != 96000)
        fail("rate not offered accepted");
    if (o.bits != 16 && o.bits != 24 && o.bits != 32)
        fail("width not offered accepted");
    auto inRange = [](double hz) { return hz >= kMinFrequencyHz && hz <= kMaxFrequencyHz; };
    if (sine && !inRange(o.frequency))
        fail("sine frequency out of range accepted");
    if (o.signal == CliSignal::Sweep && !(inRange(o.startFrequency) && inRange(o.endFrequency)))
        fail("sweep frequency out of range accepted");
    if (o.note && (*o.note < 0 || *o.note > 107))
        fail("note index outside the table");
    return 0;
}
