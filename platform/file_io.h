// Plain descriptor-level file access, binary on every system, with paths in
// UTF-8: what the WAVE writer and the tests write files with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace platform {

// Opens path for writing, creating it (permissions 0666 less the umask)
// when it does not exist; an existing file is not cut. Answers the
// descriptor, or -1 with errno set.
int openForWriting(const char* path);
// Writes up to count bytes at the file's position; answers the bytes
// written, or -1 with errno set.
int64_t writeSome(int fd, const void* data, size_t count);
// Writes up to count bytes at offset, leaving the file's position where it
// was; answers the bytes written, or -1 with errno set.
int64_t writeAt(int fd, const void* data, size_t count, int64_t offset);
// Cuts or extends the file to length bytes; 0, or -1 with errno set.
int truncateFile(int fd, int64_t length);
// 0, or -1 with errno set.
int closeFile(int fd);
// The size of the open file when it is a regular file, else -1.
int64_t regularFileSize(int fd);

// Whether the descriptor is a terminal (a console on Windows).
bool isTerminal(int fd);
// The file system's path for a UTF-8 path (on POSIX the bytes as they are).
std::filesystem::path pathFromUtf8(const std::string& path);
// The system's reason for an error number from this layer, as a message
// names it ("No such file or directory").
std::string errorText(int error);

}  // namespace platform
