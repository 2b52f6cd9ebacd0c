// One job for the worker thread: what to render and where to report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "engine.h"  // SignalKind

class CQuorrelDlg;
class ProgressBar;


// The longest output path, in bytes, that the file system accepts.
constexpr size_t kMaxPathBytes = 4095;

struct GenerateRequest {
    std::string path; // file-system encoding
    double startHz = 0.0;
    double endHz = 0.0;
    double durationSec = 0.0;
    uint32_t attenuationDb = 0;
    uint32_t sampleRate = 0; // the engine's rate when the job was built; sizes the bar only
    ProgressBar* progress = nullptr;
    CQuorrelDlg* dialog = nullptr;
    SignalKind kind = SignalKind::Sine;
    int32_t bitWidth = 16;
};

// Whole 512-frame blocks in the duration, kept inside what a bar can show.
int progressBlockCount(uint32_t sampleRate, double durationSec);

// The job's thread: sizes and resets the bar, renders, then reports a bad
// path, reports a refused request (the bar stays), or fills the bar (and
// says so when a tone was too short to render and the file holds silence
// only), and gives the generate buttons back. Every window action is carried
// out on the dialog's thread, in that order. Answers 0.
int GenerateThreadProc(std::unique_ptr<GenerateRequest> request);
