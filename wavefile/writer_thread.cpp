#include "writer_thread.h"

#include "thread_start.h"

WriterThread::~WriterThread()
{
    if (!thread_.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

bool WriterThread::available()
{
    if (!checked_) {
        checked_ = true;
        if (allowedCpuCount() > 1)
            thread_ = startHelperThread([this] { run(); });
    }
    return thread_.joinable();
}

void WriterThread::submit(const unsigned char* data, size_t count)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        data_ = data;
        count_ = count;
        busy_ = true;
    }
    wake_.notify_all();
}

bool WriterThread::settle()
{
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return !busy_; });
    const bool ok = ok_;
    ok_ = true;
    return ok;
}

void WriterThread::run()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return busy_ || stop_; });
        if (!busy_)
            return;
        lock.unlock();
        const bool ok = write_(data_, count_);
        lock.lock();
        ok_ = ok;
        busy_ = false;
        done_.notify_all();
    }
}
