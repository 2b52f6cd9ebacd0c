#include "work_pool.h"

#include <sched.h>

namespace {

int usableCpus()
{
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    if (::sched_getaffinity(0, sizeof cpus, &cpus) != 0)
        return 1;
    return CPU_COUNT(&cpus);
}

}  // namespace

WorkPool::WorkPool()
{
    const int helpers = usableCpus() - 1;
    for (int i = 0; i < helpers; ++i)
        threads_.emplace_back([this, i] { serve(i + 1); });
}

WorkPool::~WorkPool()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    start_.notify_all();
    for (std::thread& thread : threads_)
        thread.join();
}

void WorkPool::runPiece(int index) const
{
    const uint64_t pieces = threads_.size() + 1;
    const auto begin = static_cast<uint32_t>(count_ * uint64_t(index) / pieces);
    const auto end = static_cast<uint32_t>(count_ * uint64_t(index + 1) / pieces);
    if (begin < end)
        piece_(context_, begin, end);
}

void WorkPool::run(uint32_t count, Piece piece, void* context)
{
    if (threads_.empty()) {
        piece(context, 0, count);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        piece_ = piece;
        context_ = context;
        count_ = count;
        pending_ = static_cast<int>(threads_.size());
        ++round_;
    }
    start_.notify_all();
    runPiece(0);
    std::unique_lock<std::mutex> lock(mutex_);
    finished_.wait(lock, [this] { return pending_ == 0; });
}

void WorkPool::serve(int index)
{
    uint64_t seen = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        start_.wait(lock, [&] { return stop_ || round_ != seen; });
        if (stop_)
            return;
        seen = round_;
        lock.unlock();
        runPiece(index);
        lock.lock();
        if (--pending_ == 0)
            finished_.notify_all();
    }
}
