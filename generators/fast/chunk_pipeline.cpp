#include "chunk_pipeline.h"

void ChunkPipeline::setRunner(RangeRunner* runner)
{
    settle();
    runner_ = runner;
}

void ChunkPipeline::start(int k)
{
    uint32_t count = 0;
    void* context = nullptr;
    const RangeRunner::Piece piece = stages_.claim(k, count, context);
    computing_[k] = true;
    if (runner_)
        runner_->start(count, piece, context);
    else
        piece(context, 0, count);
}

bool ChunkPipeline::take()
{
    stages_.completeInputs();
    const int next = serving_ ^ 1;
    if (!computing_[next]) {
        if (!stages_.prepare(next, true))
            return false;
        start(next);
    }
    if (runner_)
        runner_->finish();
    computing_[next] = false;
    serving_ = next;

    const int served = next ^ 1;  // its results are all taken
    if (stages_.prepare(served, false))
        start(served);
    stages_.prepareAhead(next);  // only its results are served
    return true;
}

void ChunkPipeline::settle()
{
    if (runner_)
        runner_->finish();
    computing_[0] = computing_[1] = false;
}
