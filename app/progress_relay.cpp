#include "progress_relay.h"

#include <QSocketNotifier>
#include <QThread>

#include <cerrno>
#include <sys/eventfd.h>
#include <unistd.h>

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

void ProgressRelay::blockRendered()
{
    if (QThread::currentThread() == thread()) {
        m_bar->stepIt();
        return;
    }
    if (m_closed.load(std::memory_order_acquire) || m_fd < 0)
        return;

    const uint64_t ticket = m_requested.fetch_add(1, std::memory_order_acq_rel) + 1;
    const uint64_t one = 1;
    while (write(m_fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
    uint64_t handled = m_handled.load(std::memory_order_acquire);
    while (handled < ticket && !m_closed.load(std::memory_order_acquire)) {
        m_handled.wait(handled, std::memory_order_acquire);
        handled = m_handled.load(std::memory_order_acquire);
    }
}

void ProgressRelay::close()
{
    m_closed.store(true, std::memory_order_release);
    m_handled.store(UINT64_MAX, std::memory_order_release);
    m_handled.notify_all();
}

void ProgressRelay::onWake()
{
    uint64_t count = 0;
    while (read(m_fd, &count, sizeof count) < 0 && errno == EINTR) {
    }
    if (m_closed.load(std::memory_order_acquire))
        return;
    const uint64_t requested = m_requested.load(std::memory_order_acquire);
    uint64_t handled = m_handled.load(std::memory_order_relaxed);
    for (; handled < requested; ++handled)
        m_bar->stepIt();
    m_handled.store(handled, std::memory_order_release);
    m_handled.notify_all();
}
