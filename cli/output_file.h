// The output of one render, all or nothing: the engine writes a hidden
// temporary file, and only a complete file reaches the target.
//
//   a regular file, new or existing: the temporary file lies in the target's
//       directory and is renamed over it once complete, with the permission
//       bits (and, for root, the owner) of the file it replaces; a symbolic
//       link is followed, so the file it points to is replaced and the link
//       stays;
//   "-" (standard output), a FIFO or a device that cannot seek: the
//       temporary file lies in $TMPDIR (or /tmp) and its complete bytes are
//       copied to the target, whose header therefore has its final sizes;
//   a device that can seek (such as /dev/null): written directly.
#pragma once

#include <string>

class OutputFile {
public:
    explicit OutputFile(std::string path);
    ~OutputFile();  // discards the temporary file unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Checks the target and creates the temporary file. Answers 0, or the
    // system's error number (EISDIR, EACCES, ENOENT, ...) when the target
    // cannot be written; nothing is changed then.
    int prepare();
    // The path the engine writes.
    const std::string& renderPath() const { return renderPath_; }
    // The temporary file's path, empty when the engine writes the target.
    const std::string& temporaryPath() const { return temporary_; }
    bool toStandardOutput() const { return path_ == "-"; }

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
    std::string path_;      // as given
    std::string target_;    // the file replaced or streamed to, links followed
    std::string renderPath_;
    std::string temporary_;
    Mode mode_ = Mode::Replace;
};

// Test.wav in the working directory, as an absolute path when the working
// directory can be named.
std::string defaultOutputPath();
