#include "generate_request.h"

#include <QMessageBox>
#include <QString>

#include "message_box.h"
#include "progress_bar.h"
#include "progress_relay.h"
#include "quorrel_dlg.h"

namespace {

// The job's window actions, each carried out on the dialog's thread.
class DialogReporter : public JobReporter {
public:
    explicit DialogReporter(const GenerateRequest& r)
        : m_dialog(r.dialog)
        , m_bar(r.progress)
        , m_relay(r.dialog->progressRelay())
    {
    }
    void resetBar(int maximum) override
    {
        runOnThreadOf(m_dialog, [bar = m_bar, maximum] {
            bar->setMaximumPosition(maximum);
            bar->setPosition(0);
        });
    }
    void fillBar(int increment) override
    {
        runOnThreadOf(m_dialog, [bar = m_bar, increment] { bar->moveBy(increment); });
    }
    void tell(const std::string& text, MessageIcon icon) override
    {
        const QString message = QString::fromStdString(text);
        const QMessageBox::Icon shown = icon == MessageIcon::Warning ? QMessageBox::Warning
                                        : icon == MessageIcon::Error ? QMessageBox::Critical
                                                                     : QMessageBox::Information;
        runOnThreadOf(m_dialog, [dialog = m_dialog, message, shown] {
            showMessage(dialog, QString::fromLatin1(kProgramCaption), message, shown);
        });
    }
    uint64_t blocksWritten() const override { return m_relay ? m_relay->blocksWritten() : 0; }
    void giveButtonsBack() override { m_dialog->EnableGenerateButtons(true); }

private:
    CQuorrelDlg* m_dialog;
    ProgressBar* m_bar;
    ProgressRelay* m_relay;
};

} // namespace

int GenerateThreadProc(std::unique_ptr<GenerateRequest> request)
{
    DialogReporter reporter(*request);
    runJob(*request, reporter);
    return 0; // the request is released here, after the last window action
}
