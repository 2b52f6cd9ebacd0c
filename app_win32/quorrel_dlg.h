// The main dialog on Windows, from dialog template 102: the request's values,
// their checks (through the dialog rules), the sample-rate and note choices,
// and the four generate buttons that start a job on a worker thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "dialog_rules.h"
#include "progress.h"

// UTF-16 text as UTF-8.
std::string toUtf8(const std::wstring& wide);

// A job's window actions, sent by its thread to the dialog (wParam names the
// action, lParam points at its data) and carried out on the dialog's thread.
constexpr UINT kJobActionMessage = WM_APP + 1;

class CQuorrelDlg : public ProgressNotifier {
public:
    // Runs the dialog modally; answers when it has ended.
    static INT_PTR run(HINSTANCE instance);

    // The engine's report of one block, on the job's thread: one blocking
    // WM_APP to the dialog, which steps the bar.
    void blockRendered() override;
    void blockWritten(const unsigned char*, int) override { m_blocksWritten.fetch_add(1, std::memory_order_relaxed); }
    uint64_t blocksWritten() const { return m_blocksWritten.load(std::memory_order_relaxed); }

    HWND window() const { return m_hwnd; }

private:
    static INT_PTR CALLBACK dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handle(UINT message, WPARAM wParam, LPARAM lParam);

    void OnInitDialog();
    void OnCommand(int id, int code);
    bool OnSysCommand(WPARAM id);
    void OnCancel();
    void OnEndSession();
    void OnDestroy();
    void OnNoteSelected();
    void OnSampleRateSelected();
    void synchroniseRateCombo();
    void failInitialisation(const char* message);

    void DoDataExchange(bool save);
    void startJob(SignalKind kind);
    void EnableGenerateButtons(bool enable);
    INT_PTR onJobAction(WPARAM action, LPARAM data);

    HWND item(int id) const { return GetDlgItem(m_hwnd, id); }
    std::string itemText(int id) const;
    void setItemText(int id, const std::string& text);
    void tell(const char* text, UINT style);

    HINSTANCE m_instance = nullptr;
    HWND m_hwnd = nullptr;
    HICON m_icon = nullptr;
    HICON m_smallIcon = nullptr;
    DialogValues m_values;
    std::string m_startDir;
    std::atomic<bool> m_busy{false};
    std::atomic<uint64_t> m_blocksWritten{0};
    std::thread m_worker;
    HWND m_jobButton = nullptr;       // the focused button that started the running job
    HWND m_focusDuringJob = nullptr;  // where the focus went when the buttons were disabled
    bool m_engineCreated = false;
    bool m_closePending = false;  // closing waits for the running job's file
    bool m_rendering = false;     // a job's thread is writing its file
    bool m_endingSession = false; // no message boxes while the session ends
    bool m_destroyed = false;
};
