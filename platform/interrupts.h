// How veltrane-cli ends when it is interrupted.
//
// POSIX: every signal whose default is to end the process and that can be
// caught (SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGUSR1, SIGALRM,
// SIGXCPU, the real-time signals, ...) removes the temporary file, writes one
// line on standard error and ends the run with the exit status 128 + the
// signal's number. A second signal during that clean-up ends the run at once.
// A signal that was ignored when the program started (SIGINT in a shell's
// background job, SIGHUP under nohup, SIGPIPE under `trap '' PIPE`) stays
// ignored.
//
// Windows: the console's control events do the same: Ctrl-C ends the run
// with 130 (as SIGINT does), Ctrl-Break with 149 (128 + SIGBREAK, as the C
// runtime numbers it) and closing the console with 129 (as the hang-up a
// closed terminal sends).
#pragma once

#include <string>

// The calling thread's interrupt mask, as holdBackInterrupts found it.
struct InterruptMask {
    alignas(16) unsigned char bytes[128];
};

// Holds back every interrupt that the handlers catch, on the calling thread,
// and answers the mask to restore.
InterruptMask holdBackInterrupts();
void restoreInterrupts(const InterruptMask& mask);

// Installs the handlers. The temporary file named by temporary (see
// OutputFile::temporary(); an empty name: none) is removed when an interrupt
// arrives; what completes the line "veltrane-cli: interrupted by SIGxxx; ...".
// afterProgressBar starts the line on a new line.
struct TemporaryFileRef {
    int directory = -1;  // POSIX: the directory's descriptor, held open
    std::string name;    // POSIX: the name in it; Windows: the whole path
};
void catchInterrupts(const TemporaryFileRef& temporary, const std::string& what, bool afterProgressBar);

// Takes the clean-up over from the handlers, so that an interrupt can no
// longer remove the file or end the run while the caller finishes; one that
// arrives meanwhile is ignored. Answers only once no handler is running.
void holdInterrupts();
// Gives the clean-up back to the handlers, now with nothing to remove and
// what as the line's ending.
void releaseInterrupts(const std::string& what);

// A write past the file-size limit (SIGXFSZ) fails as an ordinary write
// instead of ending the process; nothing to do where there is no such limit.
void treatSizeLimitAsWriteError();
