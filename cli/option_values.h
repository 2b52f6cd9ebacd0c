// The options given on the command line, as the value checks see them: which
// option each is, how it was spelt, and its value.
#pragma once

#include <string>
#include <vector>

#include "cli_options.h"

// Options without a short form get ids above every character.
enum OptionId : int {
    kFrequency = 256, kNote, kStart, kEnd, kSeedTime, kJson, kListNotes, kVersion,
    kDuration = 'd', kAttenuation = 'a', kRate = 'r', kBits = 'b', kOutput = 'o', kQuiet = 'q', kHelp = 'h'
};

// One option as given: its name (for messages) and value.
struct GivenOption {
    int id;
    std::string spelling;
    std::string value;
};

// Checks every given value, in order, and stores it in options; a later
// value replaces an earlier one, and the first fault wins. Answers the first
// fault's message, empty when every value is usable.
std::string applyValues(const std::vector<GivenOption>& given, CliOptions& options);
