// The dialog's controls, made at their places in the dialog template (in
// dialog units), with their names for screen readers, tab order and signals.
#include "quorrel_dlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "dialog_units.h"
#include "group_frame.h"
#include "progress_bar.h"
#include "simple_combo_box.h"

namespace {

// Screen readers speak each control by a name taken from its label.
void name(QWidget* w, const QString& text, QLabel* buddy = nullptr)
{
    w->setAccessibleName(text);
    if (buddy)
        buddy->setBuddy(w);
}

} // namespace

// Makes the template's kinds of control on the dialog, at a given place.
class TemplateControls {
public:
    explicit TemplateControls(QWidget* dialog)
        : m_dialog(dialog)
    {
    }

    QPushButton* button(const char* name, const char* text, QRect r)
    {
        auto* b = new QPushButton(QString::fromLatin1(text), m_dialog);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        b->setDefault(false);
        b->setGeometry(r);
        return b;
    }
    QLineEdit* edit(const char* name, QRect r)
    {
        auto* e = new QLineEdit(m_dialog);
        e->setObjectName(QString::fromLatin1(name));
        e->setGeometry(r);
        return e;
    }
    QLabel* label(const char* text, QRect r, Qt::Alignment align, bool wrap)
    {
        auto* l = new QLabel(QString::fromLatin1(text), m_dialog);
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
    }
    GroupFrame* frame(const char* text, QRect r, Qt::Alignment align)
    {
        auto* g = new GroupFrame(QString::fromLatin1(text), align, m_dialog);
        g->setGeometry(r);
        frames.append(g);
        return g;
    }
    QRadioButton* radio(const char* name, const char* text, QRect r)
    {
        auto* b = new QRadioButton(QString::fromLatin1(text), m_dialog);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(r);
        return b;
    }

    QList<GroupFrame*> frames;  // every frame made, in the template's order

private:
    QWidget* m_dialog;
};

void CQuorrelDlg::createControls()
{
    setWindowTitle(QStringLiteral("Test signal wave file generator - vers. " VELTRANE_VERSION));
    setFont(dialogFont("Arial", 8));
    const DialogUnits du(font());
    setFixedSize(du.size(311, 257));

    // The dialog layout, in its tab order.
    TemplateControls make(this);
    createValueControls(make, du);
    createFramedControls(make, du);

    // Frames are drawn behind the controls they surround and take no clicks
    // away from them.
    for (GroupFrame* g : make.frames)
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

// The template's first half: the two tone buttons, the value fields with
// their labels, the note list and the sample-rate choice.
void CQuorrelDlg::createValueControls(TemplateControls& make, const DialogUnits& du)
{
    m_sineButton = make.button("sineButton", "Generate Sine Wave", du.rect(25, 153, 112, 14));
    m_sweepButton = make.button("sweepButton", "Generate Sweep Wave", du.rect(175, 108, 112, 14));
    m_durationEdit = make.edit("durationEdit", du.rect(169, 48, 24, 12));
    name(m_durationEdit, QStringLiteral("Duration: seconds"),
         make.label("Duration: seconds", du.rect(168, 23, 30, 20), Qt::AlignLeft, true));
    m_sweepStartEdit = make.edit("sweepStartEdit", du.rect(175, 96, 51, 12));
    m_sweepEndEdit = make.edit("sweepEndEdit", du.rect(235, 96, 51, 12));
    QLabel* sweepLabel =
        make.label("Start --      FREQUENCY    -- End", du.rect(176, 84, 106, 9), Qt::AlignHCenter, false);
    name(m_sweepStartEdit, QStringLiteral("Start frequency"), sweepLabel);
    name(m_sweepEndEdit, QStringLiteral("End frequency"));
    QLabel* freqLabel = make.label("Frequency", du.rect(61, 131, 42, 8), Qt::AlignLeft, false);
    m_freqEdit = make.edit("freqEdit", du.rect(43, 141, 71, 12));
    name(m_freqEdit, QStringLiteral("Frequency"), freqLabel);
    m_attenEdit = make.edit("attenEdit", du.rect(268, 48, 23, 12));
    name(m_attenEdit, QStringLiteral("Attenuation dBs"),
         make.label("Attenuation        dBs", du.rect(258, 23, 38, 20), Qt::AlignLeft, true));

    m_noteList = new QListWidget(this);
    m_noteList->setObjectName(QStringLiteral("noteList"));
    m_noteList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_noteList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_noteList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_noteList->setGeometry(du.rect(33, 44, 92, 75));
    name(m_noteList, QStringLiteral("Select musical note"),
         make.label("Select musical note", du.rect(47, 33, 66, 9), Qt::AlignLeft, false));

    m_rateCombo = new SimpleComboBox(this);
    m_rateCombo->setObjectName(QStringLiteral("rateCombo"));
    m_rateCombo->setGeometry(du.rect(211, 21, 40, 40));
    m_rateCombo->setEditHeight(du.y(12));
    for (QWidget* part : {static_cast<QWidget*>(m_rateCombo), static_cast<QWidget*>(m_rateCombo->lineEdit()),
                          static_cast<QWidget*>(m_rateCombo->listWidget())})
        name(part, QStringLiteral("Sample rate"));
}

// The template's second half: the group frames, and the controls that sit
// among them: the output file, the noise buttons, the progress bar and the
// bit-width choice.
void CQuorrelDlg::createFramedControls(TemplateControls& make, const DialogUnits& du)
{
    make.frame("Sine wave generator", du.rect(11, 11, 138, 161), Qt::AlignHCenter);
    make.frame("Sweep generator", du.rect(160, 70, 140, 58), Qt::AlignHCenter);
    m_pathEdit = make.edit("pathEdit", du.rect(45, 214, 252, 12));
    name(m_pathEdit, QStringLiteral("Output to file"));
    make.frame("Noise generators", du.rect(160, 135, 140, 37), Qt::AlignLeft);
    m_pinkButton = make.button("pinkButton", "Pink Noise", du.rect(175, 153, 54, 14));
    make.frame("Sample rate", du.rect(160, 11, 140, 53), Qt::AlignHCenter);

    m_progress = new ProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setGeometry(du.rect(11, 235, 290, 11));
    name(m_progress, QStringLiteral("Progress"));

    m_whiteButton = make.button("whiteButton", "White Noise", du.rect(234, 153, 54, 14));
    make.frame("Sample bit width", du.rect(11, 174, 290, 26), Qt::AlignLeft);
    m_bits16 = make.radio("bits16", "16 bits", du.rect(77, 186, 45, 8));
    m_bits24 = make.radio("bits24", "24 bits", du.rect(152, 187, 42, 8));
    m_bits32 = make.radio("bits32", "32 bits", du.rect(229, 187, 41, 8));
    for (QRadioButton* b : {m_bits16, m_bits24, m_bits32}) {
        name(b, b->text());
        b->setAccessibleDescription(QStringLiteral("Sample bit width"));
    }
    make.frame("Output to file:", du.rect(11, 203, 290, 29), Qt::AlignLeft);
}
