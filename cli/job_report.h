// What the command line tells about a written file: the summary line, or with
// --json one JSON object on one line, both ending in a newline.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "cli_options.h"
#include "wave_levels.h"

struct JobReport {
    const CliOptions& options;
    std::string shownPath;             // the summary's name for the output
    std::string jsonPath;              // the output as named: the path, or - for standard output
    std::string noteName;              // the note's display name, empty without --note
    WaveLevels levels;
    int64_t seedTime = 0;              // the second the job's random sources were seeded from
    std::optional<std::string> sha256; // the file's digest, when it could be read back
};

// Whether the file's bytes depend on the seed time: noise of every width, and
// the dither of 16-bit tones and sweeps.
bool dependsOnSeedTime(const CliOptions& options);

std::string summaryLine(const JobReport& report);
std::string jsonLine(const JobReport& report);

// A frequency as the messages give it: up to ten significant digits and "Hz".
std::string hertz(double value);
