// One job for the worker thread: what to render and where to report.
#pragma once

#include <memory>

#include "dialog_rules.h"

class CQuorrelDlg;
class ProgressBar;

struct GenerateRequest : JobRequest {
    ProgressBar* progress = nullptr;
    CQuorrelDlg* dialog = nullptr;
};

// The job's thread: runs the job as the dialog's rules order it, with every
// window action carried out on the dialog's thread. Answers 0.
int GenerateThreadProc(std::unique_ptr<GenerateRequest> request);
