#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>

// The writer thread: it writes one full buffer while the job fills the
// other, so the arithmetic and the copy into the file run on two CPUs. It is
// started at the first open when the process may run on more than one CPU,
// and lives as long as the process; with one CPU the job writes its buffers
// itself. Everything the thread touches (the writer's sizes, error and file
// layer) is handed over under the mutex: the job waits for the thread to be
// idle before it reads them.
class WriterThread {
public:
    // write: what the thread does with each hand-off; answers whether it
    // reached the file.
    using Write = bool (*)(const unsigned char* data, size_t count);
    explicit WriterThread(Write write) : write_(write) {}
    ~WriterThread();
    WriterThread(const WriterThread&) = delete;
    WriterThread& operator=(const WriterThread&) = delete;

    // Starts the thread when it is worth having; answers whether it runs.
    bool available();

    // Hands count bytes at data to the thread; the caller must have waited
    // for the previous hand-off.
    void submit(const unsigned char* data, size_t count);

    // Waits until the last hand-off is written; answers whether it was.
    bool settle();

private:
    void run();

    const Write write_;
    std::thread thread_;
    bool checked_ = false;
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    const unsigned char* data_ = nullptr;
    size_t count_ = 0;
    bool busy_ = false;
    bool stop_ = false;
    bool ok_ = true;
};
