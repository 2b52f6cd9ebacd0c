// The engine's helper threads: they share the order-free arithmetic of a
// render job (see RangeRunner) with the thread that runs the job. One pool
// per engine, its threads started with it and stopped with it: one thread
// fewer than the CPUs left for rendering, none when there is only one.
//
// A range is cut into pieces of kPieceSize that each thread, the caller's in
// finish() included, takes from one shared counter until none is left, so
// work is spread to whoever is free and a late helper costs nothing.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "range_runner.h"

class WorkPool : public RangeRunner {
public:
    static constexpr uint32_t kPieceSize = 512;
    // What helpOnce takes for a piece done in one go: small, so that a
    // thread with other duties comes back to them within a microsecond or
    // so (256 sines take about 0.6 µs, 256 gaussian pairs about twice that),
    // and large enough that joining and leaving the range under the mutex
    // costs little beside it.
    static constexpr uint32_t kHelpSize = 256;
    // A helping thread with other duties looks at them between steps of
    // this many items of its piece, so that they wait for a few dozen
    // nanoseconds rather than for the whole piece.
    static constexpr uint32_t kHelpStep = 32;
    // What helpOnce takes for such a thread: more, since its duties wait no
    // longer for it, and joining and leaving the range, under the mutex the
    // job's thread takes as well, then comes four times less often.
    static constexpr uint32_t kSteppedHelpSize = 4 * kHelpSize;

    // helped: other threads take part through helpOnce, so the range is
    // worth offering even without helpers of the pool's own. helpersTakeAll
    // (for tests): finish() leaves every piece to the others and waits for
    // for them, so that the pieces certainly go through them (only when the
    // pool has helper threads).
    WorkPool(int helpers, bool helped, bool helpersTakeAll = false);
    ~WorkPool() override;
    // The CPUs the process may run on (sched_getaffinity), at least 1.
    static int usableCpus();
    WorkPool(const WorkPool&) = delete;
    WorkPool& operator=(const WorkPool&) = delete;

    bool parallel() const override { return helped_ || !threads_.empty(); }
    void start(uint32_t count, Piece piece, void* context) override;
    void finish() override;
    int helpers() const { return static_cast<int>(threads_.size()); }
    bool helped() const { return helped_; }
    bool helpersTakeAll() const { return helpersTakeAll_; }
    // Lets any thread take one small piece of the open range; answers
    // whether it took one. between, when given, is called with context
    // between the piece's steps.
    bool helpOnce(void (*between)(void*) = nullptr, void* context = nullptr);

private:
    struct Range {
        Piece piece = nullptr;
        void* context = nullptr;
        uint32_t count = 0;
    };
    void serve();
    // Takes pieces of the current range until none is left.
    void takePieces(const Range& range);
    // Joins the open range (false when none is open) and leaves it.
    bool join(Range& range);
    void leave();

    std::vector<std::thread> threads_;
    const bool helped_;
    bool helpersTakeAll_;
    std::mutex mutex_;
    std::condition_variable started_, left_;
    // Under the mutex: the current range, its number, the helpers working on
    // it and whether one is open (started, not yet finished).
    Range range_;
    uint32_t round_ = 0;
    int working_ = 0;
    bool open_ = false;
    bool stop_ = false;
    // Where the next piece of the open range begins; helpers join a range
    // only while it is open, and finish() waits for them to leave it.
    std::atomic<uint32_t> next_{0};
    std::atomic<uint32_t> openCount_{0};  // the open range's count, 0 when none
    // Copies of round_ and working_ that a thread may watch for a little
    // while without the mutex before it sleeps: the next range usually comes
    // within microseconds, and waking a sleeping thread costs far more.
    std::atomic<uint32_t> roundSeen_{0};
    std::atomic<int> workingSeen_{0};
};

// The pool as threads outside the job see it, for their help between their
// own duties: a pool is withdrawn here, and no thread looks at it any more,
// before it may be stopped.
class HelpedPool {
public:
    // Offers pool (may be null) to the helpers.
    void offer(WorkPool* pool) { pool_.store(pool); }
    // Withdraws the pool and returns once no helper looks at it.
    void withdraw();
    // WorkPool::helpOnce on the offered pool; false without one.
    bool helpOnce(void (*between)(void*), void* context);

private:
    std::atomic<WorkPool*> pool_{nullptr};
    std::atomic<int> looking_{0};
};
