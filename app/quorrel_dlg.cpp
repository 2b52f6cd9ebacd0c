#include "quorrel_dlg.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include <system_error>

#include "about_dlg.h"
#include "app_icon.h"
#include "data_exchange.h"
#include "dialog_units.h"
#include "engine.h"
#include "group_frame.h"
#include "note_table.h"
#include "progress_bar.h"
#include "progress_relay.h"
#include "simple_combo_box.h"

namespace {

constexpr int kA4SearchStart = 57;

QString applicationName()
{
    return QCoreApplication::applicationName();
}

void showMessage(QWidget* owner, const QString& caption, const QString& text, QMessageBox::Icon icon)
{
    QMessageBox box(icon, caption, text, QMessageBox::Ok, owner);
    box.exec();
}

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

void CQuorrelDlg::createControls()
{
    setWindowTitle(QStringLiteral("Test signal wave file generator - vers. 1.10"));
    setFont(dialogFont("Arial", 8));
    const DialogUnits du(font());
    setFixedSize(du.size(311, 257));

    auto button = [&](const char* name, const char* text, QRect r) {
        auto* b = new QPushButton(QString::fromLatin1(text), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        b->setDefault(false);
        b->setGeometry(r);
        return b;
    };
    auto edit = [&](const char* name, QRect r) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setGeometry(r);
        return e;
    };
    auto label = [&](const char* text, QRect r, Qt::Alignment align, bool wrap) {
        auto* l = new QLabel(QString::fromLatin1(text), this);
        l->setTextFormat(Qt::PlainText);
        l->setAlignment(align | Qt::AlignTop);
        l->setWordWrap(wrap);
        // A one-line caption is never cut short: if this font sets it wider
        // than its box, the box grows about its alignment point.
        const int needed = l->fontMetrics().horizontalAdvance(l->text());
        if (!wrap && needed > r.width()) {
            const int extra = needed - r.width();
            r.adjust(align & Qt::AlignHCenter ? -(extra + 1) / 2 : 0, 0, align & Qt::AlignHCenter ? extra / 2 + 1 : extra + 1, 0);
        }
        l->setGeometry(r);
        return l;
    };
    QList<GroupFrame*> frames;
    auto frame = [&](const char* text, QRect r, Qt::Alignment align) {
        auto* g = new GroupFrame(QString::fromLatin1(text), align, this);
        g->setGeometry(r);
        frames.append(g);
        return g;
    };
    auto radio = [&](const char* name, const char* text, QRect r) {
        auto* b = new QRadioButton(QString::fromLatin1(text), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(r);
        return b;
    };

    // The dialog layout, in its tab order.
    m_sineButton = button("sineButton", "Generate Sine Wave", du.rect(25, 153, 112, 14));
    m_sweepButton = button("sweepButton", "Generate Sweep Wave", du.rect(175, 108, 112, 14));
    m_durationEdit = edit("durationEdit", du.rect(169, 48, 24, 12));
    label("Duration: seconds", du.rect(168, 23, 30, 20), Qt::AlignLeft, true);
    m_sweepStartEdit = edit("sweepStartEdit", du.rect(175, 96, 51, 12));
    m_sweepEndEdit = edit("sweepEndEdit", du.rect(235, 96, 51, 12));
    label("Start --      FREQUENCY    -- End", du.rect(176, 84, 106, 9), Qt::AlignHCenter, false);
    label("Frequency", du.rect(61, 131, 42, 8), Qt::AlignLeft, false);
    m_freqEdit = edit("freqEdit", du.rect(43, 141, 71, 12));
    m_attenEdit = edit("attenEdit", du.rect(268, 48, 23, 12));
    label("Attenuation        dBs", du.rect(258, 23, 38, 20), Qt::AlignLeft, true);

    m_noteList = new QListWidget(this);
    m_noteList->setObjectName(QStringLiteral("noteList"));
    m_noteList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_noteList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_noteList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_noteList->setGeometry(du.rect(33, 44, 92, 75));
    label("Select musical note", du.rect(47, 33, 66, 9), Qt::AlignLeft, false);

    m_rateCombo = new SimpleComboBox(this);
    m_rateCombo->setObjectName(QStringLiteral("rateCombo"));
    m_rateCombo->setGeometry(du.rect(211, 21, 40, 40));
    m_rateCombo->setEditHeight(du.y(12));

    frame("Sine wave generator", du.rect(11, 11, 138, 161), Qt::AlignHCenter);
    frame("Sweep generator", du.rect(160, 70, 140, 58), Qt::AlignHCenter);
    m_pathEdit = edit("pathEdit", du.rect(45, 214, 252, 12));
    frame("Noise generators", du.rect(160, 135, 140, 37), Qt::AlignLeft);
    m_pinkButton = button("pinkButton", "Pink Noise", du.rect(175, 153, 54, 14));
    frame("Sample rate", du.rect(160, 11, 140, 53), Qt::AlignHCenter);

    m_progress = new ProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setGeometry(du.rect(11, 235, 290, 11));

    m_whiteButton = button("whiteButton", "White Noise", du.rect(234, 153, 54, 14));
    frame("Sample bit width", du.rect(11, 174, 290, 26), Qt::AlignLeft);
    m_bits16 = radio("bits16", "16 bits", du.rect(77, 186, 45, 8));
    m_bits24 = radio("bits24", "24 bits", du.rect(152, 187, 42, 8));
    m_bits32 = radio("bits32", "32 bits", du.rect(229, 187, 41, 8));
    frame("Output to file:", du.rect(11, 203, 290, 29), Qt::AlignLeft);

    // Frames are drawn behind the controls they surround and take no clicks
    // away from them.
    for (GroupFrame* g : frames)
        g->lower();

    QWidget* order[] = {m_sineButton, m_sweepButton, m_durationEdit, m_sweepStartEdit, m_sweepEndEdit,
                        m_freqEdit,   m_attenEdit,   m_noteList,     m_rateCombo,      m_pathEdit,
                        m_pinkButton, m_whiteButton, m_bits16,       m_bits24,         m_bits32};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(m_sineButton, &QPushButton::clicked, this, &CQuorrelDlg::OnGenerateSine);
    connect(m_sweepButton, &QPushButton::clicked, this, &CQuorrelDlg::OnGenerateSweep);
    connect(m_rateCombo, &SimpleComboBox::doubleClicked, this, &CQuorrelDlg::OnSampleRateSelected);
    connect(m_rateCombo, &SimpleComboBox::selectionChanged, this, &CQuorrelDlg::OnSampleRateSelected);
    connect(m_noteList, &QListWidget::itemDoubleClicked, this, &CQuorrelDlg::OnNoteSelected);
    connect(m_noteList, &QListWidget::itemSelectionChanged, this, &CQuorrelDlg::OnNoteSelected);
    connect(m_pinkButton, &QPushButton::clicked, this, &CQuorrelDlg::OnGeneratePink);
    connect(m_whiteButton, &QPushButton::clicked, this, &CQuorrelDlg::OnGenerateWhite);
    connect(m_bits16, &QRadioButton::clicked, this, &CQuorrelDlg::OnBitWidth16);
    connect(m_bits24, &QRadioButton::clicked, this, &CQuorrelDlg::OnBitWidth24);
    connect(m_bits32, &QRadioButton::clicked, this, &CQuorrelDlg::OnBitWidth32);
}

void CQuorrelDlg::OnInitDialog()
{
    for (const char* rate : {"44100", "48000", "96000"})
        m_rateCombo->addItem(QString::fromLatin1(rate));
    DoDataExchange(false);

    setWindowIcon(m_icon);

    if (!m_services.createNoteTable()) {
        failInitialisation("Can't create note array - Exiting!!");
        return;
    }
    if (!m_services.isEngineAvailable() || !m_services.createEngine(m_relay.get(), false)) {
        failInitialisation("Initialization failure - Exiting!!");
        return;
    }
    m_services.setEngineSampleRate(44100);

    m_startDir = QDir::currentPath();
    // Without a readable working directory the file still goes there, by a
    // relative name.
    m_pathEdit->setText(m_startDir.isEmpty() ? QStringLiteral("Test.wav") : m_startDir + QStringLiteral("/Test.wav"));

    m_busy.store(false, std::memory_order_release);

    NoteListFiller filler(m_noteList);
    {
        const QSignalBlocker quiet(m_noteList);
        fillNoteList(filler);
    }

    m_rateCombo->setItemData(0, 44100);
    m_rateCombo->setItemData(1, 48000);
    m_rateCombo->setItemData(2, 96000);
    synchroniseRateCombo();

    {
        const QSignalBlocker quiet(m_noteList);
        selectListString(m_noteList, kA4SearchStart, QStringLiteral("A4 440.00000"));
    }
    OnNoteSelected();

    m_progress->setMaximumPosition(10);
    m_progress->setPosition(0);

    m_bits16->setChecked(true);
    m_bitWidth = 16;

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

bool CQuorrelDlg::DoDataExchange(bool save)
{
    if (!save) {
        m_sweepStartEdit->setText(QString::fromStdString(formatDouble(m_sweepStartHz)));
        m_sweepEndEdit->setText(QString::fromStdString(formatDouble(m_sweepEndHz)));
        m_durationEdit->setText(QString::fromStdString(formatDouble(m_durationSec)));
        m_freqEdit->setText(QString::fromStdString(formatDouble(m_sineHz)));
        m_attenEdit->setText(QString::number(m_attenuationDb));
        return true;
    }
    const RequestLimits& l = kRequestLimits;
    return exchangeDouble(m_sweepStartEdit, m_sweepStartHz, l.minFrequencyHz, l.maxFrequencyHz) &&
           exchangeDouble(m_sweepEndEdit, m_sweepEndHz, l.minFrequencyHz, l.maxFrequencyHz) &&
           exchangeDouble(m_durationEdit, m_durationSec, l.minSineSeconds, l.maxSeconds) &&
           exchangeDouble(m_freqEdit, m_sineHz, l.minFrequencyHz, l.maxFrequencyHz) &&
           exchangeUnsigned(m_attenEdit, m_attenuationDb, 0, l.maxAttenuationDb);
}

bool CQuorrelDlg::exchangeDouble(QLineEdit* edit, double& member, double low, double high)
{
    const std::optional<double> value = scanDecimal(edit->text().left(399).toStdString());
    if (!value) {
        failExchange(edit, QStringLiteral("Enter a number."));
        return false;
    }
    member = *value;
    if (member < low || member > high) {
        failExchange(edit, QStringLiteral("Enter a number between %1 and %2.")
                               .arg(QString::fromStdString(formatDouble(low)), QString::fromStdString(formatDouble(high))));
        return false;
    }
    return true;
}

bool CQuorrelDlg::exchangeUnsigned(QLineEdit* edit, uint32_t& member, uint32_t low, uint32_t high)
{
    const std::optional<uint32_t> value = scanUnsigned(edit->text().left(63).toStdString());
    if (!value) {
        failExchange(edit, QStringLiteral("Enter a positive integer."));
        return false;
    }
    member = *value;
    if (member < low || member > high) {
        failExchange(edit, QStringLiteral("Enter an integer between %1 and %2.").arg(low).arg(high));
        return false;
    }
    return true;
}

void CQuorrelDlg::failExchange(QLineEdit* edit, const QString& message)
{
    showMessage(this, applicationName(), message, QMessageBox::Warning);
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
}

void CQuorrelDlg::EnableGenerateButtons(bool enable)
{
    runOnThreadOf(this, [this, enable] {
        m_sineButton->setEnabled(enable);
        m_sweepButton->setEnabled(enable);
        m_pinkButton->setEnabled(enable);
        m_whiteButton->setEnabled(enable);
        if (enable) {
            m_busy.store(false, std::memory_order_release);
            if (m_closePending)
                QMetaObject::invokeMethod(this, &CQuorrelDlg::finishPendingClose, Qt::QueuedConnection);
        }
    });
}

void CQuorrelDlg::ShowInvalidPathMessage()
{
    runOnThreadOf(this, [this] {
        showMessage(this, QString::fromLatin1(kProgramCaption), QStringLiteral("Invalid path or filename!!"),
                    QMessageBox::Warning);
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

    DoDataExchange(true); // a failed check has been shown; the job runs with the values as they stand

    std::unique_ptr<GenerateRequest> request(new (std::nothrow) GenerateRequest);
    if (!request) {
        EnableGenerateButtons(true);
        return;
    }
    request->path = QFile::encodeName(m_pathEdit->text()).toStdString();
    request->sampleRate = static_cast<uint32_t>(getEngineSampleRate());
    if (kind == SignalKind::Sine) {
        request->startHz = m_sineHz;
    } else if (kind == SignalKind::Sweep) {
        request->startHz = m_sweepStartHz;
        request->endHz = m_sweepEndHz;
    }
    request->durationSec = m_durationSec;
    request->attenuationDb = m_attenuationDb;
    request->kind = kind;
    request->bitWidth = m_bitWidth;
    request->progress = m_progress;
    request->dialog = this;

    // The previous job has given the buttons back, so its thread has nothing
    // left to do but end.
    if (m_worker.joinable())
        m_worker.join();
    try {
        m_worker = std::thread(GenerateThreadProc, std::move(request));
    } catch (const std::system_error&) {
        EnableGenerateButtons(true);
    }
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
    m_sineHz = table[index];
    m_freqEdit->setText(QString::fromStdString(formatFixed(m_sineHz, 11)));
}

void CQuorrelDlg::OnSampleRateSelected()
{
    const int index = m_rateCombo->currentIndex();
    if (index < 0)
        return;
    if (m_services.setEngineSampleRate(m_rateCombo->itemData(index)))
        return;
    showMessage(this, applicationName(), QStringLiteral("Can't set sample rate to requested value!"),
                QMessageBox::NoIcon);
    synchroniseRateCombo();
}

void CQuorrelDlg::synchroniseRateCombo()
{
    const int rate = getEngineSampleRate();
    const char* text = rate == 44100 ? "44100" : rate == 48000 ? "48000" : "96000";
    m_rateCombo->selectString(0, QString::fromLatin1(text));
}

void CQuorrelDlg::OnBitWidth16()
{
    m_bitWidth = 16;
}

void CQuorrelDlg::OnBitWidth24()
{
    m_bitWidth = 24;
}

void CQuorrelDlg::OnBitWidth32()
{
    m_bitWidth = 32;
}
