// The render loop: one armed generator, pulled block by block through a
// block source, into one WAVE file that starts with a silent block.
#pragma once

#include "progress.h"
#include "wav_audio_driver.h"

// Writes path at rate and bits: one silent block, then every block the source
// yields until it answers false. notifier (may be null) is called after the
// silent block and after every pull, the final one included. Answers false
// when the block buffer or the file cannot be had (no notification is sent
// then) or when a block or the file's completion could not be written (the
// loop stops pulling at the first failed write; the file left holds the
// blocks written before it, with matching sizes).
bool renderToFile(const char* path, int bits, int rate, BlockSource& source,
                  ProgressNotifier* notifier);
