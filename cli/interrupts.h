// How veltrane-cli ends when a signal ends the run: every signal whose
// default is to end the process and that can be caught (SIGINT, SIGTERM,
// SIGHUP, SIGQUIT, SIGPIPE, SIGUSR1, SIGALRM, SIGXCPU, the real-time
// signals, ...) removes the temporary file, writes one line on standard
// error and ends the run with the exit status 128 + the signal's number. A
// second signal during that clean-up ends the run at once. A signal that was
// ignored when the program started (SIGINT in a shell's background job,
// SIGHUP under nohup, SIGPIPE under `trap '' PIPE`) stays ignored.
#pragma once

#include <csignal>
#include <string>

// Holds back every signal that the handlers catch, on the calling thread,
// and answers the mask to restore.
sigset_t holdBackInterrupts();

// Installs the handlers. The file named removeName in the directory open as
// directory (-1 or an empty name: none) is removed when a signal arrives;
// what completes the line "veltrane-cli: interrupted by SIGxxx; ...".
// afterProgressBar starts the line on a new line.
void catchInterrupts(int directory, const std::string& removeName, const std::string& what,
                     bool afterProgressBar);

// Takes the clean-up over from the handlers, so that a signal can no longer
// remove the file or end the run while the caller finishes; a signal that
// arrives meanwhile is ignored. Answers only once no handler is running.
void holdInterrupts();
// Gives the clean-up back to the handlers, now with nothing to remove and
// what as the line's ending.
void releaseInterrupts(const std::string& what);
