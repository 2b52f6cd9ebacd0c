// How veltrane-cli ends when it is interrupted (SIGINT, SIGTERM, SIGHUP): the
// temporary file is removed, one line on standard error says so, and the
// exit status is 128 + the signal's number. A second signal during that
// clean-up ends the run at once. A signal that was ignored when the program
// started (SIGINT in a shell's background job, SIGHUP under nohup) stays
// ignored.
#pragma once

#include <string>

// Installs the handlers. removePath (may be empty) is removed when a signal
// arrives; what completes the line "veltrane-cli: interrupted; ...".
// afterProgressBar starts the line on a new line.
void catchInterrupts(const std::string& removePath, const std::string& what, bool afterProgressBar);

// Takes the clean-up over from the handlers, so that a signal can no longer
// remove the file or end the run while the caller finishes; a signal that
// arrives meanwhile is ignored. Answers only once no handler is running.
void holdInterrupts();
// Gives the clean-up back to the handlers, now with nothing to remove and
// what as the line's ending.
void releaseInterrupts(const std::string& what);
