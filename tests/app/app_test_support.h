// Driving the dialogs from a test: one QApplication for the whole program,
// waiting while the event loop runs, and answering modal windows from inside
// their own loops.
#pragma once

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <vector>

inline void ensureApplication()
{
    static int argc = 1;
    static char name[] = "test_app";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv); // lives until the process ends
    (void)app;
}

// Runs the event loop until done() holds or the time is up.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 20000)
{
    QElapsedTimer clock;
    clock.start();
    QTimer tick;
    tick.start(2);
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

inline void pressKey(QWidget* target, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

inline void doubleClickRow(QAbstractItemView* view, const QModelIndex& index)
{
    const QPoint at = view->visualRect(index).center();
    QWidget* port = view->viewport();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                              QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, port->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(port, &event);
    }
}

// Calls handler for every visible top-level window of type T that appears
// while it is alive; the handler is expected to close the window.
template <typename T>
class WindowWatcher {
public:
    explicit WindowWatcher(std::function<void(T*)> handler)
        : m_handler(std::move(handler))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (T* window = qobject_cast<T*>(w); window && window->isVisible() && !m_busy) {
                    m_busy = true;
                    ++m_count;
                    m_handler(window);
                    m_busy = false;
                }
            }
        });
        m_timer.start(5);
    }
    int count() const { return m_count; }

private:
    std::function<void(T*)> m_handler;
    QTimer m_timer;
    int m_count = 0;
    bool m_busy = false;
};

struct SeenMessage {
    QString caption;
    QString text;
    QMessageBox::Icon icon;
};

// Reads and dismisses every message box, as the user would with OK.
class MessageCatcher {
public:
    explicit MessageCatcher(std::function<void()> whileShown = {})
        : m_watcher([this, whileShown](QMessageBox* box) {
            messages.push_back({box->windowTitle(), box->text(), box->icon()});
            if (whileShown)
                whileShown();
            box->button(QMessageBox::Ok)->click();
        })
    {
    }
    std::vector<SeenMessage> messages;

private:
    WindowWatcher<QMessageBox> m_watcher;
};
