// The engine's helper threads: they share the order-free arithmetic of a
// render job (see RangeRunner) with the thread that runs the job. One pool
// per engine, its threads started with it and stopped with it; one thread
// fewer than the CPUs the process may run on, none when it may use only one.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "range_runner.h"

class WorkPool : public RangeRunner {
public:
    WorkPool();
    ~WorkPool() override;
    WorkPool(const WorkPool&) = delete;
    WorkPool& operator=(const WorkPool&) = delete;

    void run(uint32_t count, Piece piece, void* context) override;
    int helpers() const { return static_cast<int>(threads_.size()); }

private:
    void serve(int index);
    // Piece index of [0, pieces) as a range of [0, count_).
    void runPiece(int index) const;

    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable start_, finished_;
    uint64_t round_ = 0;  // counts the calls of run, so each helper takes each once
    int pending_ = 0;     // helpers still running the current round
    bool stop_ = false;
    Piece piece_ = nullptr;
    void* context_ = nullptr;
    uint32_t count_ = 0;
};
