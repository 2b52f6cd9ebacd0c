#include "progress_relay.h"

#include <QSocketNotifier>
#include <QElapsedTimer>
#include <QThread>

#include <cerrno>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

#include "engine.h"
#include "progress_bar.h"

ProgressRelay::ProgressRelay(ProgressBar* bar, QObject* parent)
    : QObject(parent)
    , m_bar(bar)
    , m_fd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (m_fd >= 0) {
        m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &ProgressRelay::onWake);
    }
}

ProgressRelay::~ProgressRelay()
{
    close();
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
}

namespace {
// About 100 microseconds of pause instructions; none on a single CPU, where
// the other side cannot run while this one waits.
inline void cpuRelax()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#else
    std::this_thread::yield();
#endif
}

// The CPUs the process may run on, not those the machine has: on a single
// one, a side that spins only keeps the other from running.
const int kSpinsBeforeSleep = usableCpuCount() > 1 ? 2000 : 0;
// The longest the dialog's thread keeps answering reports without a turn of
// its event loop.
constexpr qint64 kTurnNanoseconds = 2000000;
}  // namespace

void ProgressRelay::blockRendered()
{
    if (QThread::currentThread() == thread()) {
        m_bar->stepIt();
        return;
    }
    if (m_closed.load(std::memory_order_acquire) || m_fd < 0)
        return;

    // The dialog's thread needs waking only when it is not already watching
    // for reports; both sides' orders are sequentially consistent, so that
    // one of them always sees the other (see onWake).
    const uint64_t ticket = m_requested.fetch_add(1) + 1;
    if (!m_watching.load())
        wake();
    // The dialog's thread usually answers within tens of microseconds: wait
    // for it on this CPU for a short while before going to sleep, which
    // spares the reporter a wake-up of its own on every report.
    uint64_t handled = m_handled.load(std::memory_order_acquire);
    for (int spin = 0; spin < kSpinsBeforeSleep && handled < ticket; ++spin) {
        if (!m_reporterWork || !m_reporterWork())
            cpuRelax();
        handled = m_handled.load(std::memory_order_acquire);
    }
    if (handled >= ticket)
        return;
    // Sleep until answered. The flag is set before the count is looked at
    // again, and the dialog's thread sets the count before it looks at the
    // flag (both sequentially consistent): either this side sees the answer
    // or that side sees the sleeper and wakes it under the mutex, which this
    // side holds until it waits.
    std::unique_lock lock(m_sleepMutex);
    m_reporterSleeps.store(true);
    while (m_handled.load() < ticket && !m_closed.load())
        m_sleepCondition.wait(lock);
    m_reporterSleeps.store(false);
}

bool ProgressRelay::helpsDuringJobs() const
{
    return kSpinsBeforeSleep > 0 && m_idleWork;
}

void ProgressRelay::close()
{
    m_closed.store(true);
    publishHandled(UINT64_MAX);
}

void ProgressRelay::publishHandled(uint64_t handled)
{
    m_handled.store(handled);
    if (m_reporterSleeps.load()) {
        const std::lock_guard lock(m_sleepMutex);
        m_sleepCondition.notify_all();
    }
}

void ProgressRelay::onWake()
{
    uint64_t count = 0;
    while (read(m_fd, &count, sizeof count) < 0 && errno == EINTR) {
    }
    if (m_closed.load(std::memory_order_acquire))
        return;
    // Step the bar for every report so far and release the reporter. The
    // next report of a running job follows within microseconds; waiting for
    // it here a little while, instead of going back to sleep in the event
    // loop, spares a wake-up of this thread per block. The event loop gets
    // its turn at least every couple of milliseconds.
    QElapsedTimer turn;
    turn.start();
    m_watching.store(kSpinsBeforeSleep > 0);
    for (;;) {
        answerReports();
        if (turn.nsecsElapsed() > kTurnNanoseconds)
            break;
        int spin = 0;
        while (spin < kSpinsBeforeSleep && m_requested.load(std::memory_order_acquire) == m_answered &&
               !m_closed.load(std::memory_order_acquire)) {
            // The work answers the reports that come while it runs.
            if (!m_idleWork || !m_idleWork(answerBetween, this))
                cpuRelax();
            ++spin;
        }
        if (spin >= kSpinsBeforeSleep || m_closed.load(std::memory_order_acquire))
            break;
    }
    // A report that came after the reporter saw this thread watching has no
    // wake-up of its own: give it one, to be answered after the event loop's
    // turn.
    m_watching.store(false);
    if (m_requested.load() != m_answered && !m_closed.load(std::memory_order_acquire))
        wake();
}

void ProgressRelay::wake()
{
    const uint64_t one = 1;
    while (write(m_fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void ProgressRelay::answerReports()
{
    const uint64_t requested = m_requested.load(std::memory_order_acquire);
    if (requested == m_answered || m_closed.load(std::memory_order_acquire))
        return;
    for (; m_answered < requested; ++m_answered)
        m_bar->stepIt();
    publishHandled(m_answered);
}

void ProgressRelay::answerBetween(void* relay)
{
    static_cast<ProgressRelay*>(relay)->answerReports();
}
