// RIFF/WAVE writer: two-channel integer PCM with a 100-byte format chunk, a
// fact chunk holding the count of single-channel samples, and the data chunk
// at offset 140. One file at a time per process.
//
// The header goes to disk at open with placeholder sizes (RIFF size 0, data
// size 0, count 0xFFFFFFFF); the close patches them. Blocks are collected in
// a buffer of the writer's own and written in large pieces.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t kWaveHeaderBytes = 140;
constexpr uint32_t kWaveFormatChunkBytes = 100;
constexpr uint32_t kWaveFormatRecordBytes = 82;
constexpr uint32_t kWaveNoticeOffset = 18;
constexpr uint32_t kWaveNoticeBytes = 64;
constexpr uint32_t kWaveCountPlaceholder = 0xFFFFFFFFu;
// The identification text carried in the format record (ASCII, at most 63).
extern const char kWaveNotice[];

// Creates path, or replaces the contents of an existing file, and writes the
// header. From a successful open on the file holds only this job's bytes:
// the header, then whole blocks as they are written, whenever the job stops.
// False when the file cannot be created (nothing is left on disk), an
// existing file cannot be cut (it stays as it was), or the header cannot be
// written (the part of the header that was written stays).
bool openWaveFile(const char* path, int rate, int bits);

// Appends count bytes to the data chunk. False when no file is open, the
// arguments are empty, or a write failed: the file is then finished at that
// point with sizes and count that match what it holds, and every later write
// answers false until the next open.
bool writeWaveBlock(const void* block, int count);

// Writes what is still buffered, patches the sizes and count and closes the
// file. Answers the data bytes in the file (0 when none was open). complete,
// when given, tells whether every byte handed to the writer since the open
// reached the file and the file was finished without error.
uint32_t closeWaveFile(bool* complete = nullptr);

// The system calls the writer makes (those of file_io.h), replaceable so tests
// can make any of them fail or come up short. Null restores the real ones.
struct WaveFileOps {
    int (*open)(const char* path);
    int64_t (*write)(int fd, const void* data, size_t count);
    int64_t (*writeAt)(int fd, const void* data, size_t count, int64_t offset);
    int (*truncate)(int fd, int64_t length);
    int (*close)(int fd);
};
void setWaveFileOps(const WaveFileOps* ops);

// The system's error number of the writer's last failure since the last open
// (0 when there was none), for messages that name the reason.
int waveFileError();

// Whether the writer may hand its buffers to a thread of its own, which it
// starts once when the process may run on more than one CPU (the default:
// allowed). A caller that keeps a CPU busy itself while a job runs turns it
// off. Takes effect at the next open.
void setWaveWriterThreadAllowed(bool allowed);
// Whether the writes the job's thread makes itself (without the writer
// thread) are kept short, for a caller whose other threads compute the job's
// arithmetic while the job's thread writes (default: not). Takes effect at
// the next open.
void setWaveDirectWritesShort(bool shortWrites);
