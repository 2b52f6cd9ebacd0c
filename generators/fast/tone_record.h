// Where a corrected tone's trial pass keeps its samples, so that the output
// pass replays them instead of computing every sine again.
#pragma once

#include <cstdint>

// Room for at least count samples; capacity is set to what it holds. Null
// when there is no memory. Freed with platform::freeAligned.
int32_t* newToneRecord(uint32_t count, uint32_t& capacity);
