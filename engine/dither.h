// The 16-bit reduction of tone and sweep samples with triangular dither, as
// the engine makes it: the rule is plainDitherFrames (plain/plain_file.h).
#pragma once

#include <cstdint>

// One step of the source: the next draw, 0 to 32767.
int nextDitherDraw(uint32_t& state);

// The rule's samples (plainDitherFrames, in plain/plain_file.h, is the
// rule), frames taken in groups side by side, with the kernel set the CPU
// allows.
void ditherFrames(int32_t* first, int32_t* second, int count, uint32_t& state);
