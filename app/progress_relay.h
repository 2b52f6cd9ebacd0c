// Carries the engine's per-block progress report from the job's thread to the
// dialog's thread. The reporting thread waits until the dialog's thread has
// stepped the bar; the dialog's thread never blocks on the job. Nothing is
// allocated per report. On more than one CPU each side looks for the other's
// answer for up to about 100 microseconds before sleeping, and the dialog's
// thread answers a job's reports for at most 2 ms between turns of its event
// loop: a cross-CPU wake-up costs tens of microseconds, more than rendering
// a block. While the dialog's thread watches for reports this way, a report
// needs no wake-up of it, only a look at a counter. While it waits, the
// dialog's thread may do the idle work it was given (small pieces of the
// job's own arithmetic), answering the reports that come meanwhile between
// the steps of a piece; the reporter may do its own (the job's work ahead)
// while it waits for the answer.
#pragma once

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

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
    // On more than one CPU the dialog's thread waits for the next report on
    // its CPU, doing the idle work meanwhile when there is one.
    bool helpsDuringJobs() const override;
    // Counts the generator blocks written, on the job's thread, so that the
    // job can tell a file that holds its signal from one that holds only the
    // leading silence.
    void blockWritten(const unsigned char*, int) override { m_blocksWritten.fetch_add(1, std::memory_order_relaxed); }
    uint64_t blocksWritten() const { return m_blocksWritten.load(std::memory_order_relaxed); }

    // Releases a waiting reporter and makes later reports return at once.
    void close();

    uint64_t handledCount() const { return m_handled.load(std::memory_order_acquire); }

    // Work for the dialog's thread while it waits for the next report: a
    // call that does a little of it and answers whether there was any,
    // calling between(context) now and then meanwhile, where the reports
    // that came are answered. Set it before the first job.
    using IdleWork = bool (*)(void (*between)(void*), void* context);
    void setIdleWork(IdleWork work) { m_idleWork = work; }
    // Work for the reporting thread while it waits for its report to be
    // answered: a call that does a little of it and answers whether there
    // was any. Set it before the first job.
    using ReporterWork = bool (*)();
    void setReporterWork(ReporterWork work) { m_reporterWork = work; }

private:
    void onWake();
    // On the dialog's thread: steps the bar for the reports not yet
    // answered and releases the reporter.
    void answerReports();
    static void answerBetween(void* relay);
    void wake();
    // Publishes the count of answered reports and wakes a reporter that
    // sleeps for it.
    void publishHandled(uint64_t handled);

    ProgressBar* m_bar;
    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
    std::atomic<uint64_t> m_requested{0};
    std::atomic<uint64_t> m_handled{0};
    std::atomic<bool> m_closed{false};
    std::atomic<uint64_t> m_blocksWritten{0};
    // Whether the dialog's thread is answering reports as they come, so that
    // a report needs no wake-up.
    std::atomic<bool> m_watching{false};
    // A reporter that has waited long enough sleeps on the condition; it says
    // so first, and the dialog's thread takes the mutex to wake it only then.
    std::atomic<bool> m_reporterSleeps{false};
    std::mutex m_sleepMutex;
    std::condition_variable m_sleepCondition;
    uint64_t m_answered = 0;  // the dialog's thread's own count of m_handled
    IdleWork m_idleWork = nullptr;
    ReporterWork m_reporterWork = nullptr;
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
