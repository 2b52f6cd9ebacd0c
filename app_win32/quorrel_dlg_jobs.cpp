// The dialog's value fields and jobs on Windows: the fields are read with the
// dialog rules, a generate button starts a job on a worker thread, and the
// job's window actions are handed to the dialog's thread by blocking
// SendMessage, in the order the rules give.
#include "quorrel_dlg.h"

#include <commctrl.h>

#include <memory>
#include <new>

#include "engine.h"
#include "resource.h"
#include "thread_start.h"

namespace {

constexpr int kFieldIds[] = {IDC_SWEEP_START, IDC_SWEEP_END, IDC_DURATION, IDC_SINE_FREQUENCY, IDC_ATTENUATION};
constexpr int kGenerateButtons[] = {IDC_GENERATE_SINE, IDC_GENERATE_SWEEP, IDC_PINK_NOISE, IDC_WHITE_NOISE};

int fieldId(ValueField field)
{
    return kFieldIds[static_cast<int>(field)];
}

enum JobAction : WPARAM { kResetBar, kFillBar, kTell, kGiveButtonsBack };

struct Told {
    const std::string* text;
    MessageIcon icon;
};

// The job's thread: each window action waits until the dialog's thread has
// carried it out.
class WindowReporter : public JobReporter {
public:
    explicit WindowReporter(CQuorrelDlg* dialog)
        : m_dialog(dialog)
    {
    }
    void resetBar(int maximum) override { send(kResetBar, maximum); }
    void fillBar(int increment) override { send(kFillBar, increment); }
    void tell(const std::string& text, MessageIcon icon) override
    {
        Told told{&text, icon};
        send(kTell, reinterpret_cast<LPARAM>(&told));
    }
    uint64_t blocksWritten() const override { return m_dialog->blocksWritten(); }
    void giveButtonsBack() override { send(kGiveButtonsBack, 0); }

private:
    void send(WPARAM action, LPARAM data) { SendMessageA(m_dialog->window(), kJobActionMessage, action, data); }
    CQuorrelDlg* m_dialog;
};

} // namespace

void CQuorrelDlg::blockRendered()
{
    SendMessageA(m_hwnd, WM_APP, 0, 0);
}

std::string toUtf8(const std::wstring& wide)
{
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(size_t(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), text.data(), n, nullptr, nullptr);
    return text;
}

// The controls' texts travel as UTF-8, the encoding the file layer takes,
// whatever code page the system gives the ANSI calls.
std::string CQuorrelDlg::itemText(int id) const
{
    HWND control = item(id);
    std::wstring wide(size_t(GetWindowTextLengthW(control)) + 1, L'\0');
    wide.resize(size_t(GetWindowTextW(control, wide.data(), int(wide.size()))));
    return toUtf8(wide);
}

void CQuorrelDlg::setItemText(int id, const std::string& text)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(size_t(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), wide.data(), n);
    SetDlgItemTextW(m_hwnd, id, wide.c_str());
}

void CQuorrelDlg::DoDataExchange(bool save)
{
    if (!save) {
        for (ValueField field : kValueFields)
            setItemText(fieldId(field), fieldText(m_values, field));
        return;
    }
    const std::optional<FieldFailure> failure =
        readFields(m_values, [this](ValueField field) { return itemText(fieldId(field)); });
    if (!failure)
        return;
    m_jobButton = nullptr;
    MessageBoxA(m_hwnd, failure->message.c_str(), kProgramCaption, MB_OK | MB_ICONEXCLAMATION);
    HWND edit = item(fieldId(failure->field));
    SendMessageA(m_hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
    SendMessageA(edit, EM_SETSEL, 0, -1);
}

void CQuorrelDlg::EnableGenerateButtons(bool enable)
{
    for (int id : kGenerateButtons)
        EnableWindow(item(id), enable);
    if (!enable)
        return;
    // The focus goes back to the job's button unless the user has moved it.
    if (m_jobButton && GetFocus() == m_focusDuringJob)
        SendMessageA(m_hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_jobButton), TRUE);
    m_jobButton = nullptr;
    m_busy.store(false);
    if (m_closePending && !m_endingSession)
        PostMessageA(m_hwnd, WM_COMMAND, IDCANCEL, 0);
}

void CQuorrelDlg::startJob(SignalKind kind)
{
    if (m_busy.load() || m_destroyed)
        return;
    m_busy.store(true);
    const HWND focus = GetFocus();
    m_jobButton = nullptr;
    for (int id : kGenerateButtons)
        if (focus == item(id))
            m_jobButton = focus;
    EnableGenerateButtons(false);
    // A disabled button loses the focus; the dialog keeps it for its keys.
    if (!GetFocus())
        SetFocus(m_hwnd);
    // A failed check has been shown and its field holds the focus; the job
    // runs with the values as they stand.
    DoDataExchange(true);
    m_focusDuringJob = GetFocus();

    std::unique_ptr<JobRequest> request(new (std::nothrow) JobRequest);
    if (!request) {
        EnableGenerateButtons(true);
        return;
    }
    fillRequest(*request, kind, m_values, itemText(IDC_OUTPUT_PATH), uint32_t(getEngineSampleRate()));

    // The previous job has given the buttons back, so its thread has nothing
    // left to do but end.
    if (m_worker.joinable())
        m_worker.join();
    JobRequest* handed = request.release();
    m_rendering = true;
    m_worker = startHelperThread([this, handed] {
        const std::unique_ptr<JobRequest> owned(handed);
        WindowReporter reporter(this);
        runJob(*owned, reporter);
    });
    if (!m_worker.joinable()) {
        m_rendering = false;
        delete handed;
        EnableGenerateButtons(true);
    }
}

INT_PTR CQuorrelDlg::onJobAction(WPARAM action, LPARAM data)
{
    HWND bar = item(IDC_PROGRESS);
    switch (action) {
    case kResetBar:
        SendMessageA(bar, PBM_SETRANGE32, 0, data);
        SendMessageA(bar, PBM_SETPOS, 0, 0);
        break;
    case kFillBar:
        SendMessageA(bar, PBM_DELTAPOS, WPARAM(data), 0);
        break;
    case kTell:
        m_rendering = false; // the job's file is finished, or was never made
        if (!m_endingSession) {
            const Told* told = reinterpret_cast<const Told*>(data);
            const UINT icon = told->icon == MessageIcon::Warning ? MB_ICONEXCLAMATION
                              : told->icon == MessageIcon::Error ? MB_ICONERROR
                                                                 : MB_ICONINFORMATION;
            MessageBoxA(m_hwnd, told->text->c_str(), kProgramCaption, MB_OK | icon);
        }
        break;
    case kGiveButtonsBack:
        m_rendering = false;
        EnableGenerateButtons(true);
        break;
    default:
        break;
    }
    return TRUE;
}
