// The output file of one render: checked before the engine writes it, and
// removed again when the render fails and the file was not there before.
#pragma once

#include <string>

class OutputFile {
public:
    explicit OutputFile(std::string path);
    ~OutputFile();  // discards the file unless kept
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Opens the path for writing without changing an existing file, creating
    // it when it is missing. Answers 0 when the engine can write it, or the
    // system's error number (EISDIR, EACCES, ENOENT, ...) when it cannot.
    int check();
    // The render succeeded: the file stays.
    void keep() { kept_ = true; }
    // The render failed: a file that this run created is removed; a file
    // that existed before is left (the engine may have rewritten it).
    void discard();

    const std::string& path() const { return path_; }
    bool createdHere() const { return created_; }

private:
    std::string path_;
    bool created_ = false;
    bool kept_ = false;
};

// Test.wav in the working directory, as an absolute path when the working
// directory can be named.
std::string defaultOutputPath();
