#include "work_pool.h"

#include <algorithm>
#include <chrono>
#include <new>

#include "thread_start.h"

namespace {

// How long a thread watches for what it waits on before it sleeps.
constexpr std::chrono::microseconds kWatch{50};

// Answers whether done() came true within kWatch.
template <typename Done>
bool watchFor(Done done)
{
    const auto until = std::chrono::steady_clock::now() + kWatch;
    for (;;) {
        for (int i = 0; i < 64; ++i) {
            if (done())
                return true;
#if defined(__x86_64__) || defined(__i386__)
            __builtin_ia32_pause();  // lets the other hardware thread of the core run
#endif
        }
        if (std::chrono::steady_clock::now() >= until)
            return false;
    }
}

}  // namespace

int WorkPool::usableCpus()
{
    return allowedCpuCount();
}

WorkPool::WorkPool(int helpers, bool helped, bool helpersTakeAll) : helped_(helped), helpersTakeAll_(helpersTakeAll)
{
    // A thread the system refuses (a process limit, no memory for its
    // stack) is no failure: the job runs on the threads there are, with the
    // same samples.
    try {
        threads_.reserve(static_cast<size_t>(std::max(0, helpers)));
    } catch (const std::bad_alloc&) {
        return;
    }
    for (int i = 0; i < helpers; ++i) {
        std::thread thread = startHelperThread([this] { serve(); });
        if (!thread.joinable())
            break;
        threads_.push_back(std::move(thread));
    }
    helpersTakeAll_ = helpersTakeAll_ && !threads_.empty();
}

WorkPool::~WorkPool()
{
    finish();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    roundSeen_.fetch_add(1, std::memory_order_release);  // ends any watch at once
    started_.notify_all();
    for (std::thread& thread : threads_)
        thread.join();
}

void WorkPool::takePieces(const Range& range)
{
    for (;;) {
        const uint32_t begin = next_.fetch_add(kPieceSize, std::memory_order_relaxed);
        if (begin >= range.count)
            return;
        range.piece(range.context, begin, std::min(range.count, begin + kPieceSize));
    }
}

void WorkPool::start(uint32_t count, Piece piece, void* context)
{
    finish();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        range_ = Range{piece, context, count};
        next_.store(0, std::memory_order_relaxed);
        openCount_.store(count, std::memory_order_relaxed);
        open_ = true;
        ++round_;
        roundSeen_.store(round_, std::memory_order_release);
    }
    if (!threads_.empty())
        started_.notify_all();
}

void WorkPool::finish()
{
    Range range;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!open_)
            return;
        range = range_;
    }
    if (!helpersTakeAll_)
        takePieces(range);
    // Every piece is taken; those the helpers hold are done when they leave.
    watchFor([this] { return workingSeen_.load(std::memory_order_acquire) == 0; });
    std::unique_lock<std::mutex> lock(mutex_);
    if (helpersTakeAll_)
        left_.wait(lock, [&] { return working_ == 0 && next_.load(std::memory_order_relaxed) >= range.count; });
    open_ = false;
    openCount_.store(0, std::memory_order_relaxed);
    left_.wait(lock, [this] { return working_ == 0; });
}

bool WorkPool::join(Range& range)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_)
        return false;
    range = range_;
    workingSeen_.store(++working_, std::memory_order_release);
    return true;
}

void WorkPool::leave()
{
    std::lock_guard<std::mutex> lock(mutex_);
    workingSeen_.store(--working_, std::memory_order_release);
    if (working_ == 0)
        left_.notify_all();
}

bool WorkPool::helpOnce(void (*between)(void*), void* context)
{
    // A look without the lock first: most calls come when nothing is left.
    if (next_.load(std::memory_order_relaxed) >= openCount_.load(std::memory_order_relaxed))
        return false;
    // A thread of the program's own, such as the dialog's, computes samples
    // from here on.
    thread_local const bool environmentSet = (useDefaultFloatingPoint(), true);
    (void)environmentSet;
    Range range;
    if (!join(range))
        return false;
    const uint32_t size = between ? kSteppedHelpSize : kHelpSize;
    const uint32_t begin = next_.fetch_add(size, std::memory_order_relaxed);
    const bool took = begin < range.count;
    if (took) {
        const uint32_t end = std::min(range.count, begin + size);
        const uint32_t step = between ? kHelpStep : size;
        for (uint32_t at = begin; at < end; at += step) {
            if (at != begin)
                between(context);
            range.piece(range.context, at, std::min(end, at + step));
        }
    }
    leave();
    return took;
}

void WorkPool::serve()
{
    uint32_t seen = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        if (!stop_ && !(open_ && round_ != seen)) {
            lock.unlock();
            watchFor([&] { return roundSeen_.load(std::memory_order_acquire) != seen; });
            lock.lock();
        }
        started_.wait(lock, [&] { return stop_ || (open_ && round_ != seen); });
        if (stop_)
            return;
        seen = round_;
        const Range range = range_;
        workingSeen_.store(++working_, std::memory_order_release);
        lock.unlock();
        takePieces(range);
        lock.lock();
        workingSeen_.store(--working_, std::memory_order_release);
        if (working_ == 0)
            left_.notify_all();
    }
}

void HelpedPool::withdraw()
{
    pool_.store(nullptr);
    while (looking_.load() != 0)
        std::this_thread::yield();
}

bool HelpedPool::helpOnce(void (*between)(void*), void* context)
{
    looking_.fetch_add(1);
    WorkPool* pool = pool_.load();
    const bool helped = pool && pool->helpOnce(between, context);
    looking_.fetch_sub(1);
    return helped;
}
