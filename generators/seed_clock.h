// The one place that reads the calendar time used to seed the random sources
// (the noise sources and the dither of 16-bit tone and sweep jobs).
// Tests and the command line pin it so that a render can be reproduced.
#pragma once

#include <cstdint>
#include <optional>

// Low 32 bits of the calendar time in whole seconds since 1970-01-01 UTC,
// or of the pinned time when one is set.
uint32_t seedTimeNow();

// Pins the seed time (seconds since 1970); std::nullopt returns to the clock.
void setSeedTime(std::optional<int64_t> seconds);

// Pins the seed time for the jobs that follow: to seconds when given, else to
// the clock's current second, read here once. Answers the second pinned, so
// that a caller can name the very second its job was seeded from.
int64_t pinSeedTime(std::optional<int64_t> seconds);
