// The main dialog's life on Windows: start-up, the note and sample-rate
// choices, the bit width, the window menu with the About box, and the end
// that waits for a running job's file.
#include "quorrel_dlg.h"

#include <commctrl.h>

#include <vector>

#include "engine.h"
#include "note_table.h"
#include "resource.h"

namespace {

class NoteListFiller : public NoteListSink {
public:
    explicit NoteListFiller(HWND list)
        : m_list(list)
    {
    }
    // The entry keeps the note's index; the frequency is read from the table
    // when the entry is chosen.
    void addNote(const std::string& text, const double*) override
    {
        const LRESULT index = SendMessageA(m_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        if (index >= 0)
            SendMessageA(m_list, LB_SETITEMDATA, index, m_count);
        ++m_count;
    }

private:
    HWND m_list;
    LPARAM m_count = 0;
};

INT_PTR CALLBACK aboutProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(hwnd, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

} // namespace

INT_PTR CQuorrelDlg::run(HINSTANCE instance)
{
    CQuorrelDlg dialog;
    dialog.m_instance = instance;
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, dialogProc,
                           reinterpret_cast<LPARAM>(&dialog));
}

INT_PTR CALLBACK CQuorrelDlg::dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CQuorrelDlg*>(lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        dialog->m_hwnd = hwnd;
        dialog->OnInitDialog();
        return TRUE; // the focus goes to the first tab stop, Generate Sine Wave
    }
    auto* dialog = reinterpret_cast<CQuorrelDlg*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    return dialog ? dialog->handle(message, wParam, lParam) : FALSE;
}

INT_PTR CQuorrelDlg::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_APP: // one block of the running job
        SendMessageA(item(IDC_PROGRESS), PBM_STEPIT, 0, 0);
        SetWindowLongPtrA(m_hwnd, DWLP_MSGRESULT, 1);
        return TRUE;
    case kJobActionMessage:
        return onJobAction(wParam, lParam);
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_SYSCOMMAND:
        return OnSysCommand(wParam);
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(m_icon);
    case WM_QUERYENDSESSION:
        // Logging off or shutting down may go ahead: a running job's file is
        // finished when the session really ends (WM_ENDSESSION), and nothing
        // changes when it does not.
        SetWindowLongPtrA(m_hwnd, DWLP_MSGRESULT, TRUE);
        return TRUE;
    case WM_ENDSESSION:
        if (wParam)
            OnEndSession();
        return TRUE;
    case WM_DESTROY:
        OnDestroy();
        return FALSE;
    default:
        return FALSE;
    }
}

void CQuorrelDlg::OnInitDialog()
{
    HWND combo = item(IDC_SAMPLE_RATE);
    for (uint32_t rate : kSampleRates)
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::to_string(rate).c_str()));
    // The rate box shows the rate of the next job; typing cannot change it.
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (GetComboBoxInfo(combo, &info) && info.hwndItem)
        SendMessageA(info.hwndItem, EM_SETREADONLY, TRUE, 0);
    DoDataExchange(false);

    if (HMENU menu = GetSystemMenu(m_hwnd, FALSE)) {
        char text[64] = "";
        if (LoadStringA(m_instance, IDS_ABOUTBOX, text, sizeof text) > 0) {
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
            AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, text);
        }
    }
    m_icon = LoadIconA(m_instance, MAKEINTRESOURCEA(IDR_MAINFRAME));
    m_smallIcon = static_cast<HICON>(LoadImageA(m_instance, MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON,
                                                GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    SendMessageA(m_hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMessageA(m_hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon ? m_smallIcon : m_icon));

    if (!createNoteTable()) {
        failInitialisation(kNoteTableFailure);
        return;
    }
    if (!isEngineAvailable() || !(m_engineCreated = createEngine(this, false))) {
        failInitialisation(kInitialisationFailure);
        return;
    }
    setEngineSampleRate(44100);

    const DWORD length = GetCurrentDirectoryW(0, nullptr);
    std::vector<wchar_t> dir(length + 1, L'\0');
    if (length > 0 && GetCurrentDirectoryW(DWORD(dir.size()), dir.data()) < dir.size())
        m_startDir = toUtf8(dir.data());
    setItemText(IDC_OUTPUT_PATH, defaultOutputPath(m_startDir, '\\'));

    m_busy.store(false);

    NoteListFiller filler(item(IDC_NOTE_LIST));
    fillNoteList(filler);

    for (int i = 0; i < 3; ++i)
        SendMessageA(combo, CB_SETITEMDATA, i, kSampleRates[i]);
    synchroniseRateCombo();

    SendMessageA(item(IDC_NOTE_LIST), LB_SELECTSTRING, kStartNoteSearchStart,
                 reinterpret_cast<LPARAM>(kStartNotePrefix));
    OnNoteSelected();

    HWND bar = item(IDC_PROGRESS);
    SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 10));
    SendMessageA(bar, PBM_SETSTEP, 1, 0);
    SendMessageA(bar, PBM_SETPOS, 0, 0);

    CheckRadioButton(m_hwnd, IDC_BITS_16, IDC_BITS_32, IDC_BITS_16);
    m_values.bitWidth = 16;
}

void CQuorrelDlg::failInitialisation(const char* message)
{
    MessageBoxA(m_hwnd, message, kProgramCaption, MB_OK | MB_ICONEXCLAMATION);
    EndDialog(m_hwnd, IDCANCEL); // the program ends with the dialog
}

void CQuorrelDlg::OnCommand(int id, int code)
{
    switch (id) {
    case IDOK: // the Enter key never ends this dialog
        return;
    case IDCANCEL: // the Escape key, the close box
        OnCancel();
        return;
    case IDC_GENERATE_SINE:
    case IDC_GENERATE_SWEEP:
    case IDC_PINK_NOISE:
    case IDC_WHITE_NOISE:
        if (code == BN_CLICKED)
            startJob(id == IDC_GENERATE_SINE    ? SignalKind::Sine
                     : id == IDC_GENERATE_SWEEP ? SignalKind::Sweep
                     : id == IDC_PINK_NOISE     ? SignalKind::PinkNoise
                                                : SignalKind::WhiteNoise);
        return;
    case IDC_NOTE_LIST:
        if (code == LBN_SELCHANGE || code == LBN_DBLCLK)
            OnNoteSelected();
        return;
    case IDC_SAMPLE_RATE:
        if (code == CBN_SELCHANGE || code == CBN_DBLCLK)
            OnSampleRateSelected();
        return;
    case IDC_BITS_16:
    case IDC_BITS_24:
    case IDC_BITS_32:
        if (code == BN_CLICKED)
            m_values.bitWidth = id == IDC_BITS_16 ? 16 : id == IDC_BITS_24 ? 24 : 32;
        return;
    default:
        return;
    }
}

bool CQuorrelDlg::OnSysCommand(WPARAM id)
{
    if ((id & 0xFFF0) != IDM_ABOUTBOX)
        return false; // the system's own handling
    DialogBoxParamA(m_instance, MAKEINTRESOURCEA(IDD_ABOUTBOX), m_hwnd, aboutProc, 0);
    return true;
}

void CQuorrelDlg::OnCancel()
{
    if (m_busy.load()) {
        // The file being written is finished first; the dialog ends when the
        // job gives the buttons back.
        m_closePending = true;
        SetCursor(LoadCursor(nullptr, IDC_WAIT));
        return;
    }
    EndDialog(m_hwnd, IDCANCEL);
}

void CQuorrelDlg::OnEndSession()
{
    // The session ends once this returns: finish the running job's file here,
    // handling its reports, and tell nothing meanwhile. (A job whose start
    // or end waits for a message box below this call has no file being
    // written.)
    m_endingSession = true;
    MSG msg;
    while (m_rendering) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    // The process ends after this returns; the file is complete.
}

void CQuorrelDlg::OnDestroy()
{
    // No job runs any more: closing waited for it.
    if (m_destroyed)
        return;
    m_destroyed = true;
    if (m_worker.joinable())
        m_worker.join();
    if (noteTable())
        releaseNoteTable();
    shutdownEngine();
}

void CQuorrelDlg::OnNoteSelected()
{
    HWND list = item(IDC_NOTE_LIST);
    const LRESULT index = SendMessageA(list, LB_GETCURSEL, 0, 0);
    const double* table = noteTable();
    if (index == LB_ERR || !table)
        return;
    const LRESULT note = SendMessageA(list, LB_GETITEMDATA, index, 0);
    if (note < 0 || note >= kNoteCount)
        return;
    m_values.sineHz = table[note];
    setItemText(IDC_SINE_FREQUENCY, noteFrequencyText(m_values.sineHz));
}

void CQuorrelDlg::OnSampleRateSelected()
{
    HWND combo = item(IDC_SAMPLE_RATE);
    const LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR)
        return;
    if (setEngineSampleRate(uint32_t(SendMessageA(combo, CB_GETITEMDATA, index, 0))))
        return;
    MessageBoxA(m_hwnd, kSampleRateFailure, kProgramCaption, MB_OK);
    synchroniseRateCombo();
}

void CQuorrelDlg::synchroniseRateCombo()
{
    SendMessageA(item(IDC_SAMPLE_RATE), CB_SELECTSTRING, 0,
                 reinterpret_cast<LPARAM>(rateItemText(getEngineSampleRate())));
}
