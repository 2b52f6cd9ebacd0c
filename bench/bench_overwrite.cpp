// What replacing an existing file costs, by strategy: a largest 32-bit job's
// bytes (92 MB) written over the file that the previous iteration left, as a
// repeated job does. Plain system calls, 1 MiB writes; the time runs from the
// open to the end of the close.
//
//   strategy 0  open with O_TRUNC (empties the old file at the open)
//   strategy 1  open without O_TRUNC, ftruncate to the header's length, write
//               the header (what the WAVE writer does: from the open on the
//               file holds only the new job's bytes)
//   strategy 2  open without O_TRUNC, overwrite in place, ftruncate to the
//               final length at the close (the writer's earlier way: cheaper,
//               but a job stopped mid-way left the old file's tail behind)
//   strategy 3  unlink first, then create a new file (for comparison only:
//               it would change the file's identity)
//   strategy 4  create a temporary file beside it and rename it over the old
//               one (all or nothing, as the command line needs)
//   strategy 5  the same, but swap the two (RENAME_EXCHANGE) and unlink the
//               old one (what the command line does)
//
// Set VELTRANE_BENCH_DIR to measure a file system other than /tmp's.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t kHeader = 140;
constexpr size_t kData = 11520512ull * 8;  // 120 s at 96000 Hz, 32-bit stereo

std::string scratchPath()
{
    const char* dir = std::getenv("VELTRANE_BENCH_DIR");
    return std::string(dir ? dir : "/tmp") + "/veltrane-overwrite-" + std::to_string(::getpid()) + ".wav";
}

bool writeAll(int fd, const unsigned char* data, size_t count)
{
    while (count > 0) {
        const ssize_t n = ::write(fd, data, count);
        if (n <= 0)
            return false;
        data += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

bool writeJob(const std::string& target, int strategy, const std::vector<unsigned char>& chunk)
{
    const bool viaTemporary = strategy >= 4;
    const std::string path = viaTemporary ? target + ".new" : target;
    if (strategy == 3)
        ::unlink(path.c_str());
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (strategy == 0 || strategy == 3 ? O_TRUNC : 0);
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0)
        return false;
    bool ok = strategy != 1 || ::ftruncate(fd, kHeader) == 0;
    ok = ok && writeAll(fd, chunk.data(), kHeader);
    for (size_t left = kData; ok && left > 0;) {
        const size_t n = left < chunk.size() ? left : chunk.size();
        ok = writeAll(fd, chunk.data(), n);
        left -= n;
    }
    if (ok && strategy == 2)
        ok = ::ftruncate(fd, static_cast<off_t>(kHeader + kData)) == 0;
    ok = ok && ::pwrite(fd, chunk.data(), kHeader, 0) == static_cast<ssize_t>(kHeader);
    ok = ::close(fd) == 0 && ok;
    if (strategy == 4)
        ok = ok && ::rename(path.c_str(), target.c_str()) == 0;
    if (strategy == 5) {
        if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0)
            ok = ok && ::unlink(path.c_str()) == 0;
        else
            ok = ok && ::rename(path.c_str(), target.c_str()) == 0;
    }
    return ok;
}

void BM_Overwrite(benchmark::State& state)
{
    const int strategy = static_cast<int>(state.range(0));
    const std::string path = scratchPath();
    const std::vector<unsigned char> chunk(1u << 20, 0x5A);
    // Two untimed jobs first, so that the timed one meets the state a
    // repeated job meets: the file of a previous job that itself replaced an
    // older one, just written the same way. (Emptying a file with O_TRUNC
    // makes ext4 start its write-back at the close, which the next job's
    // O_TRUNC then waits for; one job before is not enough to see that.)
    for (int i = 0; i < 2; ++i)
        writeJob(path, strategy, chunk);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const bool ok = writeJob(path, strategy, chunk);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (!ok) {
            state.SkipWithError("cannot write the scratch file");
            break;
        }
    }
    ::unlink(path.c_str());
}
BENCHMARK(BM_Overwrite)
    ->DenseRange(0, 5)
    ->ArgName("strategy")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(9)
    ->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
    ->ComputeStatistics("max", [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); })
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
