// Drives the WAVE writer through a file layer that fails or shortens one
// chosen call (open, write, pwrite, ftruncate or close), then checks what is
// left on disk: no file when the create failed, a partial or placeholder
// header when the header or its final patch could not be written (the
// failure reported), or otherwise a finished file whose sizes and count match
// its data.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "file_io.h"
#include "fuzz_invariant.h"
#include "test_files.h"
#include "wave_file.h"

namespace {

enum Call { kOpen, kWrite, kPwrite, kFtruncate, kClose, kCallKinds };

struct Fault {
    int call = -1;       // which kind of call fails
    int nth = 0;         // its nth occurrence
    size_t keep = 0;     // bytes a shortened write still writes
    bool shorten = false;
    int seen[kCallKinds] = {};
    bool hit = false;
} fault;

bool strike(Call call)
{
    if (fault.call != call)
        return false;
    if (fault.seen[call]++ != fault.nth)
        return false;
    fault.hit = true;
    return true;
}

// Each call of the file layer fails with errno when the fault strikes it; a
// struck write may instead come up short.
const WaveFileOps kFaulty = {
    [](const char* path) { return strike(kOpen) ? (errno = EACCES, -1) : platform::openForWriting(path); },
    [](int fd, const void* data, size_t count) -> int64_t {
        if (!strike(kWrite))
            return platform::writeSome(fd, data, count);
        if (fault.shorten && fault.keep < count)
            return platform::writeSome(fd, data, fault.keep);
        return errno = ENOSPC, -1;
    },
    [](int fd, const void* data, size_t count, int64_t at) -> int64_t {
        return strike(kPwrite) ? (errno = EIO, -1) : platform::writeAt(fd, data, count, at);
    },
    [](int fd, int64_t length) { return strike(kFtruncate) ? (errno = EIO, -1) : platform::truncateFile(fd, length); },
    [](int fd) {
        const int result = platform::closeFile(fd);
        return strike(kClose) ? (errno = EIO, -1) : result;
    },
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 6)
        return 0;
    static const ScratchDir scratch;
    static const std::string path = scratch.file("out.wav");
    // Half the runs write over the file the run before left, which the
    // writer cuts to the header's length at the open.
    namespace fs = std::filesystem;
    std::error_code missing;
    const bool existed = (data[1] & 8) && fs::exists(path, missing);
    const uintmax_t sizeBefore = existed ? fs::file_size(path) : 0;
    if (!existed)
        fs::remove(path, missing);

    fault = Fault{};
    fault.call = data[0] % (kCallKinds + 1) == kCallKinds ? -1 : data[0] % (kCallKinds + 1);
    fault.nth = data[1] % 8;
    fault.shorten = data[2] & 1;
    fault.keep = size_t(data[2] >> 1) * 37;
    const int bits = data[3] % 3 == 0 ? 16 : data[3] % 3 == 1 ? 24 : 32;
    const int blocks = int(data[4]) * 4 + data[5];
    const int blockBytes = 512 * 2 * (bits / 8);
    std::vector<unsigned char> block(size_t(blockBytes), 0x5C);

    setWaveFileOps(&kFaulty);
    const bool opened = openWaveFile(path.c_str(), 44100, bits);
    bool allWritten = opened;
    int accepted = 0;
    for (int i = 0; i < blocks && allWritten; ++i) {
        allWritten = writeWaveBlock(block.data(), blockBytes);
        accepted += allWritten;
    }
    bool complete = false;
    closeWaveFile(&complete);
    setWaveFileOps(nullptr);

    const bool exists = fs::exists(path, missing);
    const uintmax_t sizeAfter = exists ? fs::file_size(path) : 0;
    if (!opened) {
        if (!fault.hit)
            fail("open failed without a fault");
        if (fault.call == kOpen && exists != existed)
            fail("a failed create changed what was there");
        if (fault.call == kOpen)
            return 0;
        if (fault.call == kFtruncate) {
            // The cut of an existing file failed before anything was written.
            if (!exists || !existed || sizeAfter != sizeBefore)
                fail("a failed cut changed what was there");
            return 0;
        }
        if (exists && sizeAfter >= 140)
            fail("a failed header write left a whole header");
        return 0;
    }
    if (!exists)
        fail("an opened file is gone");
    const std::vector<unsigned char> b = readBytes(path);
    if (b.size() < 140)
        fail("the header is incomplete after a successful open");
    const bool success = allWritten && complete;
    // A write that comes up short but not empty is retried and may recover.
    const bool recoverable = fault.call == kWrite && fault.shorten && fault.keep > 0;
    if (success && fault.hit && !recoverable)
        fail("a failure was reported as success");
    if (!success && !fault.hit)
        fail("a failure without a fault");
    const uint32_t d = le32(b, 136);
    if (d == 0 && le32(b, 4) == 0 && le32(b, 128) == 0xFFFFFFFFu) {
        // The final patch could not be written: the header still shows an
        // interrupted file, and the failure was reported.
        if (success)
            fail("an unfinished file was reported as complete");
        return 0;
    }
    // A cut that failed at the finish leaves the partial block of a failed
    // write past the data; the header still describes the whole blocks, and
    // the failure was reported.
    const bool cutFailed = fault.hit && fault.call == kFtruncate && !success;
    const bool sizeOk = b.size() == 140u + d || (cutFailed && b.size() > 140u + d && b.size() < 140u + d + blockBytes);
    if (!sizeOk || le32(b, 4) != 132u + d || le32(b, 128) != d / uint32_t(bits / 8))
        fail("sizes or count do not match the data");
    if (d % uint32_t(blockBytes) != 0)
        fail("the data is not a whole number of blocks");
    if (d > uint32_t(accepted) * uint32_t(blockBytes) + uint32_t(blockBytes))
        fail("more data than was written");
    if (success && d != uint32_t(blocks) * uint32_t(blockBytes))
        fail("a complete file lost data");
    for (size_t i = 140; i < 140u + d; ++i)
        if (b[i] != 0x5C)
            fail("data bytes changed");
    return 0;
}
