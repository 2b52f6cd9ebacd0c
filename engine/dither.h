// The 16-bit reduction of tone and sweep samples with triangular dither.
//
// Each frame takes four draws of the dither's congruential source (state x
// 214013 + 2531011, bits 16 to 30 of the new state): two for its first
// channel's sample, then two for its second's. A sample's magnitude plus its
// two draws, shifted down by 16, with its sign put back, is the 16-bit
// sample.
#pragma once

#include <cstdint>

// One step of the source: the next draw, 0 to 32767.
int nextDitherDraw(uint32_t& state);

// The rule, one frame and one draw after the other.
void plainDitherFrames(int32_t* first, int32_t* second, int count, uint32_t& state);

// The same samples, frames taken in groups side by side, with the kernel set
// the CPU allows.
void ditherFrames(int32_t* first, int32_t* second, int count, uint32_t& state);
