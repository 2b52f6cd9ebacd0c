// Every file's data is a whole number of blocks of this many stereo frames,
// the first of them silent; a job reports its progress once a block.
#pragma once

constexpr int kBlockFrames = 512;
