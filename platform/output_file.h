// The output of one render, all or nothing: the engine writes a hidden
// temporary file, and only a complete file reaches the target.
//
//   a regular file, new or existing: the temporary file lies in the target's
//       directory and is renamed over it once complete, with the permission
//       bits (and, for root, the owner) of the file it replaces; a symbolic
//       link is followed, so the file it points to is replaced and the link
//       stays. The directory is held open from the start, so that the
//       temporary file is made, renamed and removed in it even when it is
//       renamed or moved during the run;
//   "-" (standard output), an open descriptor named as /dev/stdout,
//       /dev/stderr, /dev/fd/N or /proc/self/fd/N, a FIFO or a device that
//       cannot seek: the temporary file lies in $TMPDIR (or /tmp) and its
//       complete bytes are copied to the target, whose header therefore has
//       its final sizes;
//   a device that can seek (such as /dev/null): written directly.
//
// On Windows a regular file is replaced the same way (the temporary file
// beside it, moved over it once complete and closed); "-" is standard
// output, written in binary mode. Paths are UTF-8 there too.
#pragma once

#include <string>

#include "interrupts.h"

class OutputFile {
public:
    // What prepare answers when the target is a terminal, which is not given
    // the file's binary bytes.
    static constexpr int kTerminal = -1;

    explicit OutputFile(std::string path);
    ~OutputFile();  // discards the temporary file unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Checks the target and creates the temporary file. Answers 0, kTerminal,
    // or the system's error number (EISDIR, EACCES, ENOENT, ...) when the
    // target cannot be written; nothing is changed then.
    int prepare();
    // After a failed prepare: the temporary directory that could not take
    // the temporary file, empty when the target itself failed.
    const std::string& failedDirectory() const { return failedDirectory_; }
    // Where that directory comes from, in the user's words.
    static const char* temporaryDirectorySource();
    // The path the engine writes.
    const std::string& renderPath() const { return renderPath_; }
    // The temporary file's name (empty when the engine writes the target),
    // and what the interrupt handlers remove (see interrupts.h).
    const std::string& temporaryName() const { return temporaryName_; }
    TemporaryFileRef temporary() const { return {temporaryName_.empty() ? -1 : directory_, temporaryName_}; }
    bool toStandardOutput() const { return descriptor_ == 1; }

    // Moves the complete file to its target. Answers 0, or the error number
    // of what failed; the temporary file is gone either way. From here on an
    // interrupt no longer removes the file (see interrupts.h): a rename is
    // finished whatever arrives, and a copy that is interrupted leaves the
    // target with part of the bytes.
    int commit();
    // Removes the temporary file; the target stays as it was.
    void discard();

private:
    enum class Mode { Replace, Stream, Direct };
    int createTemporary(const std::string& directory, const std::string& name);
    std::string path_;            // as given
    std::string target_;          // the file replaced or streamed to, links followed
    std::string renderPath_;
    std::string failedDirectory_;
    int descriptor_ = -1;         // the open descriptor streamed to, if one was named
    int directory_ = -1;          // the temporary file's directory, held open
    std::string name_;            // the target's name in that directory (Replace)
    std::string temporaryName_;   // the temporary file's name there (Windows: its whole path)
    int temporary_ = -1;          // the temporary file, open for reading and writing
    Mode mode_ = Mode::Replace;
};

// Test.wav in the working directory, as an absolute path when the working
// directory can be named; for messages (the file is written by the relative
// name, which works however deep the directory lies).
std::string defaultOutputPath();
