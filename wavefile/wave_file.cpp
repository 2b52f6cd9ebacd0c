#include "wave_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "file_io.h"
#include "memory.h"
#include "writer_thread.h"

const char kWaveNotice[] = "Veltrane test signal generator " VELTRANE_VERSION;
static_assert(sizeof(kWaveNotice) <= 64, "the notice must fit its 64-byte field with its NUL");

namespace {

constexpr size_t kBufferBytes = 512u << 10;  // blocks are collected up to 512 KiB
// Without the writer thread the job's thread makes the writes itself, of
// the whole buffer, or, when other threads share the job's arithmetic, of
// 128 KiB: short enough that they do not run out of it while the job's
// thread is in the system call.
constexpr size_t kShortWriteBytes = 128u << 10;

const WaveFileOps kSystemOps = {
    platform::openForWriting, platform::writeSome, platform::writeAt, platform::truncateFile, platform::closeFile,
};

const WaveFileOps* ops = &kSystemOps;

// The writer's process-wide state: one file at a time.
struct Writer {
    int fd = -1;
    bool open = false;
    bool failed = false;        // a write failed since the open
    int error = 0;              // errno of the last failure
    int bits = 16;
    uint32_t bytesWritten = 0;  // data bytes that reached the file
    size_t unitBytes = 0;       // size of the first block since the open
    unsigned char header[kWaveHeaderBytes] = {};  // as written at the open
    // How far the file reaches past our data: the partial block of a failed
    // write, which finishing the file cuts off.
    int64_t staleEnd = 0;
    // Two buffers: the job fills one while the writer thread, when there is
    // one, writes the other.
    std::unique_ptr<unsigned char[]> buffers[2];
    int filling = 0;
    size_t buffered = 0;
    bool threaded = false;      // this file's buffers go to the writer thread
    bool threadAllowed = true;  // the writer thread may be used from the next open
    bool shortWrites = false;   // the job's own writes are short, from the next open
    size_t flushAt = kBufferBytes;  // this file's buffered bytes that make a write
} writer;

void putLE16(unsigned char* p, uint32_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

void putLE32(unsigned char* p, uint32_t v)
{
    putLE16(p, v);
    putLE16(p + 2, v >> 16);
}

// Writes all of data, retrying short writes; answers the bytes that reached
// the file, and records errno when that is fewer than asked.
size_t writeAll(const unsigned char* data, size_t count)
{
    size_t done = 0;
    while (done < count) {
        int64_t n = ops->write(writer.fd, data + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            writer.error = n < 0 ? errno : ENOSPC;
            break;
        }
        done += static_cast<size_t>(n);
    }
    return done;
}

bool pwriteAll(const unsigned char* data, size_t count, int64_t offset)
{
    size_t done = 0;
    while (done < count) {
        int64_t n = ops->writeAt(writer.fd, data + done, count - done, offset + static_cast<int64_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            writer.error = n < 0 ? errno : EIO;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// A failed write keeps whole blocks only, so that the data stays a whole
// number of the blocks the caller handed over.
size_t keepUnit()
{
    if (writer.unitBytes > 0)
        return writer.unitBytes;
    const int frame = 2 * (writer.bits / 8);
    return frame > 0 ? static_cast<size_t>(frame) : 1;
}

// Writes data to the end of the file. On a short or failed write keeps the
// whole blocks that reached the file (cutting off a partial one), marks the
// writer failed and answers false.
bool writeData(const unsigned char* data, size_t count)
{
    size_t done = writeAll(data, count);
    if (done == count) {
        writer.bytesWritten += static_cast<uint32_t>(count);
        return true;
    }
    writer.failed = true;
    // Bytes of a partial block lie past the data now; finishing the file
    // cuts them off.
    const int64_t reached = static_cast<int64_t>(kWaveHeaderBytes + writer.bytesWritten + done);
    writer.staleEnd = std::max(writer.staleEnd, reached);
    writer.bytesWritten += static_cast<uint32_t>(done - done % keepUnit());
    return false;
}

WriterThread writerThread(writeData);

// Waits for the thread's last write; false when it failed.
bool settle()
{
    return !writer.threaded || writerThread.settle();
}

// Sends the filled buffer on its way: to the thread, after the one before is
// written, or straight to the file. False when that write, or the one before
// it, failed.
bool flushBuffer()
{
    if (!settle())
        return false;
    if (writer.buffered == 0)
        return true;
    const size_t count = writer.buffered;
    writer.buffered = 0;
    const unsigned char* full = writer.buffers[writer.filling].get();
    if (!writer.threaded)
        return writeData(full, count);
    writerThread.submit(full, count);
    writer.filling ^= 1;
    return true;
}

// Patches the RIFF size, the sample count and the data size for the data in
// the file, then closes it. False when any step fails (the file is closed in
// every case).
bool finishFile()
{
    const uint32_t d = writer.bytesWritten;
    const int sampleBytes = writer.bits / 8;
    const uint32_t count = sampleBytes > 0 ? d / static_cast<uint32_t>(sampleBytes) : 0;
    // The whole header is rewritten in one piece, so a failure leaves either
    // the placeholders or the final sizes, never a mixture.
    bool ok = true;
    const int64_t end = static_cast<int64_t>(kWaveHeaderBytes) + d;
    if (writer.staleEnd > end && ops->truncate(writer.fd, end) != 0) {
        writer.error = errno;
        ok = false;
    }
    writer.staleEnd = 0;
    unsigned char* header = writer.header;
    putLE32(header + 4, kWaveHeaderBytes - 8 + d);
    putLE32(header + 128, count);
    putLE32(header + 136, d);
    ok = pwriteAll(header, kWaveHeaderBytes, 0) && ok;
    if (ops->close(writer.fd) != 0 && ok) {
        writer.error = errno;
        ok = false;
    }
    writer.fd = -1;
    writer.open = false;
    return ok;
}

// The header as the open writes it: the sizes and the count are
// placeholders until the close patches them.
void buildHeader(unsigned char* header, int rate, int bits)
{
    std::memset(header, 0, kWaveHeaderBytes);
    const uint32_t blockAlign = 2 * static_cast<uint32_t>(bits / 8);
    std::memcpy(header + 0, "RIFF", 4);
    putLE32(header + 4, 0);
    std::memcpy(header + 8, "WAVE", 4);
    std::memcpy(header + 12, "fmt ", 4);
    putLE32(header + 16, kWaveFormatChunkBytes);
    unsigned char* format = header + 20;
    putLE16(format + 0, 1);  // integer PCM
    putLE16(format + 2, 2);  // channels
    putLE32(format + 4, static_cast<uint32_t>(rate));
    putLE32(format + 8, blockAlign * static_cast<uint32_t>(rate));
    putLE16(format + 12, blockAlign);
    putLE16(format + 14, static_cast<uint32_t>(bits));
    putLE16(format + 16, kWaveFormatRecordBytes);
    std::memcpy(format + kWaveNoticeOffset, kWaveNotice, sizeof(kWaveNotice));
    // The rest of the 82-byte record and the 18 bytes after it stay zero.
    std::memcpy(header + 120, "fact", 4);
    putLE32(header + 124, 4);
    putLE32(header + 128, kWaveCountPlaceholder);
    std::memcpy(header + 132, "data", 4);
    putLE32(header + 136, 0);
}

}  // namespace

bool openWaveFile(const char* path, int rate, int bits)
{
    if (writer.open)
        closeWaveFile();
    writer.failed = false;
    writer.error = 0;
    writer.bits = bits;
    writer.bytesWritten = 0;
    writer.buffered = 0;
    writer.unitBytes = 0;
    writer.threaded = writer.threadAllowed && writerThread.available();
    writer.flushAt = writer.shortWrites && !writer.threaded ? kShortWriteBytes : kBufferBytes;
    if (!path) {
        writer.error = EINVAL;
        return false;
    }
    for (auto& buffer : writer.buffers) {
        if (!buffer) {
            buffer.reset(new (std::nothrow) unsigned char[kBufferBytes]);
            // Mapped in one call rather than one fault per page at its
            // first fill, which on some virtual machines costs several
            // microseconds a page (only a hint).
            platform::prefaultForWriting(buffer.get(), kBufferBytes);
        }
        if (!buffer) {
            writer.error = ENOMEM;
            return false;
        }
    }

    unsigned char* header = writer.header;
    buildHeader(header, rate, bits);

    writer.fd = ops->open(path);
    if (writer.fd < 0) {
        writer.error = errno;
        return false;
    }
    writer.staleEnd = 0;
    // An existing file is cut to the header's length before anything is
    // written, so that from here on it holds only this job's bytes, whenever
    // the job stops. (Emptying it altogether, as O_TRUNC does, makes ext4
    // wait for the old data's write-back and flush the new data at the
    // close, which costs several times more on a large file.) A cut that
    // fails leaves the old file as it was.
    if (platform::regularFileSize(writer.fd) > static_cast<int64_t>(kWaveHeaderBytes) &&
        ops->truncate(writer.fd, static_cast<int64_t>(kWaveHeaderBytes)) != 0) {
        writer.error = errno;
        ops->close(writer.fd);
        writer.fd = -1;
        return false;
    }
    const size_t headerDone = writeAll(header, kWaveHeaderBytes);
    if (headerDone != kWaveHeaderBytes) {
        // What a new file would hold: the part of the header that was written.
        ops->truncate(writer.fd, static_cast<int64_t>(headerDone));
        ops->close(writer.fd);
        writer.fd = -1;
        return false;
    }
    writer.open = true;
    return true;
}

bool writeWaveBlock(const void* block, int count)
{
    if (!writer.open || !block || count <= 0)
        return false;
    const size_t n = static_cast<size_t>(count);
    if (writer.unitBytes == 0)
        writer.unitBytes = n;
    if (writer.buffered + n > writer.flushAt && !flushBuffer()) {
        finishFile();
        return false;
    }
    if (n > kBufferBytes) {
        if (!settle() || !writeData(static_cast<const unsigned char*>(block), n)) {
            finishFile();
            return false;
        }
        return true;
    }
    std::memcpy(writer.buffers[writer.filling].get() + writer.buffered, block, n);
    writer.buffered += n;
    return true;
}

uint32_t closeWaveFile(bool* complete)
{
    if (!writer.open) {
        if (complete)
            *complete = false;
        return 0;
    }
    bool flushed = flushBuffer() && settle();
    bool finished = finishFile();
    if (complete)
        *complete = flushed && finished && !writer.failed;
    return writer.bytesWritten;
}

int waveFileError()
{
    return writer.error;
}

void setWaveFileOps(const WaveFileOps* replacement)
{
    ops = replacement ? replacement : &kSystemOps;
}

void setWaveWriterThreadAllowed(bool allowed)
{
    writer.threadAllowed = allowed;
}

void setWaveDirectWritesShort(bool shortWrites)
{
    writer.shortWrites = shortWrites;
}
