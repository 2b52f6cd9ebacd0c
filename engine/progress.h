// How a render job reports its progress: one synchronous call after the
// leading silent block and one after every pull. The receiver handles the call
// before it returns, so the job advances only as fast as it is handled.
#pragma once

class ProgressNotifier {
public:
    virtual ~ProgressNotifier() = default;
    virtual void blockRendered() = 0;
    // Each generator block, as written to the file (interleaved stereo frames
    // at the job's width), right after it was handed to the writer. For
    // receivers that measure the signal; the default ignores it.
    virtual void blockWritten(const unsigned char* /*block*/, int /*bytes*/) {}
    // Whether the receiver keeps a CPU busy while a job runs, waiting for the
    // reports on it rather than sleeping, and gives that wait to
    // helpRenderJob: the engine then leaves that CPU to it.
    virtual bool helpsDuringJobs() const { return false; }
};
