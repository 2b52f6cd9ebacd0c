// Carries the engine's per-block progress report from the job's thread to the
// dialog's thread. The reporting thread waits until the dialog's thread has
// stepped the bar; the dialog's thread never waits. Each report costs one
// eventfd write and one futex wait, nothing is allocated.
#pragma once

#include <QObject>

#include <atomic>
#include <cstdint>

#include "progress.h"

class ProgressBar;
class QSocketNotifier;

class ProgressRelay : public QObject, public ProgressNotifier {
    Q_OBJECT
public:
    // Lives on the thread that creates it; bar belongs to that thread too.
    explicit ProgressRelay(ProgressBar* bar, QObject* parent = nullptr);
    ~ProgressRelay() override;

    bool isValid() const { return m_fd >= 0; }

    // ProgressNotifier: any thread.
    void blockRendered() override;

    // Releases a waiting reporter and makes later reports return at once.
    void close();

    uint64_t handledCount() const { return m_handled.load(std::memory_order_acquire); }

private:
    void onWake();

    ProgressBar* m_bar;
    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
    std::atomic<uint64_t> m_requested{0};
    std::atomic<uint64_t> m_handled{0};
    std::atomic<bool> m_closed{false};
};

// Runs fn on the thread of context and returns when it has run there; runs it
// directly when called on that thread.
template <typename Fn>
void runOnThreadOf(QObject* context, Fn&& fn);

#include <QMetaObject>
#include <QThread>

template <typename Fn>
void runOnThreadOf(QObject* context, Fn&& fn)
{
    if (QThread::currentThread() == context->thread())
        fn();
    else
        QMetaObject::invokeMethod(context, std::forward<Fn>(fn), Qt::BlockingQueuedConnection);
}
