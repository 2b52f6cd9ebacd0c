// What a command-line program needs from its process before it starts work.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The program's arguments after its name, in UTF-8. On Windows they are
// read from the wide command line, so that any file name reaches the file
// system intact whatever the console's code page.
std::vector<std::string> commandLineArguments(int argc, char** argv);

// POSIX: a standard descriptor that is closed is held by a read-only null
// device, so that no file the run opens takes its number: writing to it then
// fails as writing to the closed descriptor would. Windows: standard output
// and error are put in binary mode, so that the text is byte for byte what
// Linux writes (lines end in a line feed alone) and a file written to
// standard output keeps its bytes.
void guardStandardDescriptors();

}  // namespace platform
