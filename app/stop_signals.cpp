#include "stop_signals.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kSignals[3] = {SIGTERM, SIGINT, SIGHUP};

// The handler only writes a byte to this pipe: the dialog's thread reads it
// in its event loop and does the rest there.
int wakeFds[2] = {-1, -1};

extern "C" void onStopSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeFds[1], &byte, 1);  // a full pipe already holds one
    errno = saved;
}

} // namespace

StopSignals::StopSignals(QDialog* dialog)
    : m_dialog(dialog)
{
    if (::pipe2(wakeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        wakeFds[0] = wakeFds[1] = -1;
        return;
    }
    m_notifier = new QSocketNotifier(wakeFds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StopSignals::onSignal);
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i) {
        if (sigaction(kSignals[i], nullptr, &m_before[i]) != 0 || m_before[i].sa_handler == SIG_IGN)
            continue;
        m_caught[i] = sigaction(kSignals[i], &action, nullptr) == 0;
    }
}

StopSignals::~StopSignals()
{
    for (int i = 0; i < 3; ++i)
        if (m_caught[i])
            sigaction(kSignals[i], &m_before[i], nullptr);
    delete m_notifier;
    for (int& fd : wakeFds) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void StopSignals::onSignal()
{
    char bytes[64];
    while (::read(wakeFds[0], bytes, sizeof bytes) > 0) {
    }
    // The boxes on top of the dialog go first, the innermost first, so that
    // each modal loop ends; the dialog then ends as its close box ends it.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        if (auto* box = qobject_cast<QDialog*>(*it); box && box != m_dialog && box->isVisible())
            box->reject();
    m_dialog->reject();
}
