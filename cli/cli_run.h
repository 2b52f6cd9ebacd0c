// veltrane-cli as a function: arguments in, text out, exit code back.
#pragma once

#include <ostream>
#include <string>
#include <vector>

constexpr int kExitWritten = 0;
constexpr int kExitCannotWrite = 1;
constexpr int kExitUsage = 2;

// args are the arguments after the program name. out receives --help,
// --version, --list-notes and the summary line; err the messages and the
// progress bar, which is drawn only when errIsTerminal is set.
// A render creates and shuts down the process's one engine, so a process
// runs at most one render through this function.
int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           bool errIsTerminal);

// The --help text.
std::string cliHelpText();
