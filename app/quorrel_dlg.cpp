// The main dialog's life: start-up, the note and sample-rate choices, the bit
// width, the window menu, and the end that waits for a running job.
#include "quorrel_dlg.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QEventLoop>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include "about_dlg.h"
#include "app_icon.h"
#include "engine.h"
#include "message_box.h"
#include "note_table.h"
#include "progress_bar.h"
#include "progress_relay.h"
#include "simple_combo_box.h"

namespace {

class NoteListFiller : public NoteListSink {
public:
    explicit NoteListFiller(QListWidget* list)
        : m_list(list)
    {
    }
    // The entry keeps the note's index; the frequency is read from the table
    // when the entry is chosen.
    void addNote(const std::string& text, const double*) override
    {
        auto* item = new QListWidgetItem(QString::fromStdString(text));
        item->setData(Qt::UserRole, m_list->count());
        m_list->addItem(item);
    }

private:
    QListWidget* m_list;
};

int selectListString(QListWidget* list, int startAfter, const QString& prefix)
{
    const int n = list->count();
    for (int k = 1; k <= n; ++k) {
        const int index = ((startAfter + k) % n + n) % n;
        if (list->item(index)->text().startsWith(prefix, Qt::CaseInsensitive)) {
            list->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
            list->scrollToItem(list->item(index), QAbstractItemView::PositionAtCenter);
            return index;
        }
    }
    return -1;
}

} // namespace

DialogServices DialogServices::standard()
{
    DialogServices s;
    s.createNoteTable = [] { return ::createNoteTable(); };
    s.isEngineAvailable = [] { return ::isEngineAvailable(); };
    s.createEngine = [](ProgressNotifier* notifier, bool use16Bit) { return ::createEngine(notifier, use16Bit); };
    s.setEngineSampleRate = [](uint32_t rate) { return ::setEngineSampleRate(rate); };
    return s;
}

CQuorrelDlg::CQuorrelDlg(const DialogServices& services)
    : QDialog(nullptr,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                  Qt::WindowCloseButtonHint)
    , m_services(services)
    , m_icon(appIcon())
{
    createControls();
    m_relay = std::make_unique<ProgressRelay>(m_progress);
    // While the dialog's thread waits for a job's next report, it computes
    // a little of the job.
    m_relay->setIdleWork(helpRenderJob);
    m_relay->setReporterWork(workAheadOfReport);
    OnInitDialog();
}

CQuorrelDlg::~CQuorrelDlg()
{
    OnDestroy();
}

void CQuorrelDlg::OnInitDialog()
{
    for (const char* rate : {"44100", "48000", "96000"})
        m_rateCombo->addItem(QString::fromLatin1(rate));
    DoDataExchange(false);

    setWindowIcon(m_icon);

    if (!m_services.createNoteTable()) {
        failInitialisation(kNoteTableFailure);
        return;
    }
    if (!m_services.isEngineAvailable() || !m_services.createEngine(m_relay.get(), false)) {
        failInitialisation(kInitialisationFailure);
        return;
    }
    m_services.setEngineSampleRate(44100);

    m_startDir = QDir::currentPath();
    // Without a readable working directory the file still goes there, by a
    // relative name.
    m_pathEdit->setText(QString::fromStdString(defaultOutputPath(m_startDir.toStdString(), '/')));

    m_busy.store(false, std::memory_order_release);

    NoteListFiller filler(m_noteList);
    {
        const QSignalBlocker quiet(m_noteList);
        fillNoteList(filler);
    }

    for (int i = 0; i < 3; ++i)
        m_rateCombo->setItemData(i, kSampleRates[i]);
    synchroniseRateCombo();

    {
        const QSignalBlocker quiet(m_noteList);
        selectListString(m_noteList, kStartNoteSearchStart, QString::fromLatin1(kStartNotePrefix));
    }
    OnNoteSelected();

    m_progress->setMaximumPosition(10);
    m_progress->setPosition(0);

    m_bits16->setChecked(true);
    m_values.bitWidth = 16;

    m_sineButton->setFocus(Qt::OtherFocusReason);
}

void CQuorrelDlg::failInitialisation(const char* message)
{
    showMessage(this, QString::fromLatin1(kProgramCaption), QString::fromLatin1(message), QMessageBox::Warning);
    m_quitRequested = true;
}

void CQuorrelDlg::OnDestroy()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    // A job still running owns the engine and calls back into this dialog:
    // keep serving it until it has finished.
    while (isBusy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (m_worker.joinable())
        m_worker.join();
    if (noteTable())
        releaseNoteTable();
    shutdownEngine();
    m_relay->close();
}

int CQuorrelDlg::exec()
{
    if (m_quitRequested) {
        OnDestroy();
        return QDialog::Rejected;
    }
    return QDialog::exec();
}

void CQuorrelDlg::done(int result)
{
    if (isBusy()) {
        // The file being written is finished first; the dialog closes when the
        // job gives the buttons back.
        m_closePending = true;
        setCursor(Qt::BusyCursor);
        return;
    }
    QDialog::done(result);
    OnDestroy();
}

void CQuorrelDlg::accept()
{
    // The Enter key never ends this dialog.
}

void CQuorrelDlg::finishPendingClose()
{
    if (m_closePending && !isBusy())
        reject();
}

void CQuorrelDlg::showEvent(QShowEvent* event)
{
    if (!m_centred) {
        m_centred = true;
        if (const QScreen* screen = this->screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QDialog::showEvent(event);
}

void CQuorrelDlg::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    QAction* close = menu.addAction(QStringLiteral("&Close"));
    menu.addSeparator();
    QAction* about = menu.addAction(QStringLiteral("&About Veltrane..."));
    QAction* chosen = menu.exec(event->globalPos());
    if (chosen == about)
        OnSysCommand(kCommandAbout, 0);
    else if (chosen == close)
        OnSysCommand(kCommandClose, 0);
}

void CQuorrelDlg::OnSysCommand(unsigned id, intptr_t)
{
    if ((id & 0xFFF0) == kCommandAbout) {
        CAboutDlg about(this);
        about.exec();
        return;
    }
    if ((id & 0xFFF0) == kCommandClose)
        close();
}

void CQuorrelDlg::OnNoteSelected()
{
    const QList<QListWidgetItem*> selected = m_noteList->selectedItems();
    const double* table = noteTable();
    if (selected.isEmpty() || !table)
        return;
    const int index = selected.first()->data(Qt::UserRole).toInt();
    if (index < 0 || index >= kNoteCount)
        return;
    m_values.sineHz = table[index];
    m_freqEdit->setText(QString::fromStdString(noteFrequencyText(m_values.sineHz)));
}

void CQuorrelDlg::OnSampleRateSelected()
{
    const int index = m_rateCombo->currentIndex();
    if (index < 0)
        return;
    if (m_services.setEngineSampleRate(m_rateCombo->itemData(index)))
        return;
    showMessage(this, QString::fromLatin1(kProgramCaption), QString::fromLatin1(kSampleRateFailure),
                QMessageBox::NoIcon);
    synchroniseRateCombo();
}

void CQuorrelDlg::synchroniseRateCombo()
{
    const int rate = getEngineSampleRate();
    m_rateCombo->selectString(0, QString::fromLatin1(rateItemText(rate)));
}

void CQuorrelDlg::OnBitWidth16()
{
    m_values.bitWidth = 16;
}

void CQuorrelDlg::OnBitWidth24()
{
    m_values.bitWidth = 24;
}

void CQuorrelDlg::OnBitWidth32()
{
    m_values.bitWidth = 32;
}
