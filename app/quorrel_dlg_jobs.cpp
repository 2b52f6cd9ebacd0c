// The dialog's jobs: a generate button starts one on a worker thread with the
// request's values; the job gives the buttons back when it has finished.
#include "quorrel_dlg.h"

#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "engine.h"
#include "message_box.h"
#include "progress_relay.h"
#include "thread_start.h"

void CQuorrelDlg::EnableGenerateButtons(bool enable)
{
    runOnThreadOf(this, [this, enable] {
        m_sineButton->setEnabled(enable);
        m_sweepButton->setEnabled(enable);
        m_pinkButton->setEnabled(enable);
        m_whiteButton->setEnabled(enable);
        if (enable) {
            if (m_jobButton && focusWidget() == m_focusDuringJob)
                m_jobButton->setFocus(Qt::OtherFocusReason);
            m_jobButton = nullptr;
            m_busy.store(false, std::memory_order_release);
            if (m_closePending)
                QMetaObject::invokeMethod(this, &CQuorrelDlg::finishPendingClose, Qt::QueuedConnection);
        }
    });
}

void CQuorrelDlg::OnGenerateSine()
{
    startJob(SignalKind::Sine);
}

void CQuorrelDlg::OnGenerateSweep()
{
    startJob(SignalKind::Sweep);
}

void CQuorrelDlg::OnGeneratePink()
{
    startJob(SignalKind::PinkNoise);
}

void CQuorrelDlg::OnGenerateWhite()
{
    startJob(SignalKind::WhiteNoise);
}

void CQuorrelDlg::startJob(SignalKind kind)
{
    if (isBusy() || m_destroyed)
        return;
    m_busy.store(true, std::memory_order_release);
    EnableGenerateButtons(false);

    // A failed check has been shown and its field holds the focus for
    // correction; the job runs with the values as they stand. Otherwise the
    // focus goes back to this job's button when it is enabled again, unless
    // the user has moved it meanwhile.
    const bool valid = DoDataExchange(true);
    m_jobButton = !valid                           ? nullptr
                  : kind == SignalKind::Sine      ? m_sineButton
                  : kind == SignalKind::Sweep     ? m_sweepButton
                  : kind == SignalKind::PinkNoise ? m_pinkButton
                                                  : m_whiteButton;
    m_focusDuringJob = focusWidget();

    std::unique_ptr<GenerateRequest> request(new (std::nothrow) GenerateRequest);
    if (!request) {
        EnableGenerateButtons(true);
        return;
    }
    fillRequest(*request, kind, m_values, QFile::encodeName(m_pathEdit->text()).toStdString(),
                static_cast<uint32_t>(getEngineSampleRate()));
    request->progress = m_progress;
    request->dialog = this;

    // The previous job has given the buttons back, so its thread has nothing
    // left to do but end.
    if (m_worker.joinable())
        m_worker.join();
    // The request goes to the thread, which owns it from its start; a thread
    // the system refuses leaves it here.
    GenerateRequest* handed = request.release();
    m_worker = startHelperThread([handed] { GenerateThreadProc(std::unique_ptr<GenerateRequest>(handed)); });
    if (!m_worker.joinable()) {
        delete handed;
        EnableGenerateButtons(true);
    }
}
