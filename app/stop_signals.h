// The signals that ask a program to end (SIGTERM at logout or from kill,
// SIGINT from Ctrl-C in the terminal that started it, SIGHUP when that
// terminal goes away) end the dialog as Escape or its close box do: a job
// that is running finishes its file first, and the program then ends with
// status 0. The messages and boxes the dialog has open are closed. A signal
// that was ignored when the program started (SIGHUP under nohup) stays
// ignored. One instance at a time; the handlers before it come back when it
// is destroyed.
#pragma once

#include <QObject>

#include <csignal>

class QDialog;
class QSocketNotifier;

class StopSignals : public QObject {
public:
    explicit StopSignals(QDialog* dialog);
    ~StopSignals() override;

private:
    void onSignal();

    QDialog* m_dialog;
    QSocketNotifier* m_notifier = nullptr;
    struct sigaction m_before[3] = {};
    bool m_caught[3] = {};
};
