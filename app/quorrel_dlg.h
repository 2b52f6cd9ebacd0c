// The main dialog: the request's values, their checks, the sample-rate and
// note choices, and the four generate buttons that start a job on a worker.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "generate_request.h"

class ProgressNotifier;
class ProgressBar;
class ProgressRelay;
class QContextMenuEvent;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class SimpleComboBox;
class DialogUnits;
class TemplateControls;

// What the dialog needs from the note table and the engine at start-up. The
// defaults are the real ones; tests replace them to make start-up fail.
struct DialogServices {
    std::function<bool()> createNoteTable;
    std::function<bool()> isEngineAvailable;
    std::function<bool(ProgressNotifier*, bool)> createEngine;
    std::function<bool(uint32_t)> setEngineSampleRate;

    static DialogServices standard();
};

// Command ids of the dialog's window menu.
constexpr unsigned kCommandAbout = 0x0010;
constexpr unsigned kCommandClose = 0xF060;

class CQuorrelDlg : public QDialog {
    Q_OBJECT
public:
    explicit CQuorrelDlg(const DialogServices& services = DialogServices::standard());
    ~CQuorrelDlg() override;

    // False when start-up failed and the dialog only waits to be ended.
    bool isInitialised() const { return !m_quitRequested; }
    bool isBusy() const { return m_busy.load(std::memory_order_acquire); }
    bool isClosePending() const { return m_closePending; }

    double sineHz() const { return m_values.sineHz; }
    double sweepStartHz() const { return m_values.sweepStartHz; }
    double sweepEndHz() const { return m_values.sweepEndHz; }
    double durationSec() const { return m_values.durationSec; }
    uint32_t attenuationDb() const { return m_values.attenuationDb; }
    int bitWidth() const { return m_values.bitWidth; }
    ProgressBar* progressBar() const { return m_progress; }
    ProgressRelay* progressRelay() const { return m_relay.get(); }

    // Reads (save) or writes the five value fields. Reading stops at the first
    // field that holds no number or a number out of range, after telling the
    // user and putting the focus on that field; it then answers false.
    bool DoDataExchange(bool save);

    void EnableGenerateButtons(bool enable);

    // The dialog's window menu: the About command (any id from 16 to 31) opens
    // the About box; close ends the dialog; the rest is left to the system.
    void OnSysCommand(unsigned id, intptr_t param);

    int exec() override;
    void done(int result) override;
    void accept() override;

public slots:
    void OnGenerateSine();
    void OnGenerateSweep();
    void OnGeneratePink();
    void OnGenerateWhite();
    void OnNoteSelected();
    void OnSampleRateSelected();
    void OnBitWidth16();
    void OnBitWidth24();
    void OnBitWidth32();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void createControls();
    void createValueControls(TemplateControls& make, const DialogUnits& du);
    void createFramedControls(TemplateControls& make, const DialogUnits& du);
    void OnInitDialog();
    void OnDestroy();
    void failInitialisation(const char* message);
    void startJob(SignalKind kind);
    void synchroniseRateCombo();
    void finishPendingClose();
    QLineEdit* editOf(ValueField field) const;

    DialogServices m_services;

    DialogValues m_values;  // the request's values, the bit width among them
    QString m_startDir;
    std::atomic<bool> m_busy{false};
    ProgressBar* m_progress = nullptr;
    SimpleComboBox* m_rateCombo = nullptr;
    QLineEdit* m_freqEdit = nullptr;
    QListWidget* m_noteList = nullptr;
    QLineEdit* m_attenEdit = nullptr;
    QIcon m_icon;

    QPushButton* m_sineButton = nullptr;
    QPushButton* m_sweepButton = nullptr;
    QPushButton* m_pinkButton = nullptr;
    QPushButton* m_whiteButton = nullptr;
    QLineEdit* m_durationEdit = nullptr;
    QLineEdit* m_sweepStartEdit = nullptr;
    QLineEdit* m_sweepEndEdit = nullptr;
    QLineEdit* m_pathEdit = nullptr;
    QRadioButton* m_bits16 = nullptr;
    QRadioButton* m_bits24 = nullptr;
    QRadioButton* m_bits32 = nullptr;
    QPushButton* m_jobButton = nullptr;   // the button that started the running job
    QWidget* m_focusDuringJob = nullptr;  // where the focus went when the buttons were disabled

    std::unique_ptr<ProgressRelay> m_relay;
    std::thread m_worker;
    bool m_quitRequested = false;
    bool m_closePending = false;
    bool m_destroyed = false;
    bool m_centred = false;
};
