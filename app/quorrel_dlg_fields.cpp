// The dialog's value fields: writing the request's values into them, and
// reading them back with the dialog's rules.
#include "quorrel_dlg.h"

#include <QLineEdit>
#include <QMessageBox>

#include "message_box.h"

QLineEdit* CQuorrelDlg::editOf(ValueField field) const
{
    switch (field) {
    case ValueField::SweepStart:
        return m_sweepStartEdit;
    case ValueField::SweepEnd:
        return m_sweepEndEdit;
    case ValueField::Duration:
        return m_durationEdit;
    case ValueField::SineFrequency:
        return m_freqEdit;
    case ValueField::Attenuation:
        break;
    }
    return m_attenEdit;
}

bool CQuorrelDlg::DoDataExchange(bool save)
{
    if (!save) {
        for (ValueField field : kValueFields)
            editOf(field)->setText(QString::fromStdString(fieldText(m_values, field)));
        return true;
    }
    const std::optional<FieldFailure> failure =
        readFields(m_values, [this](ValueField field) { return editOf(field)->text().toStdString(); });
    if (!failure)
        return true;
    QLineEdit* edit = editOf(failure->field);
    showMessage(this, QString::fromLatin1(kProgramCaption), QString::fromStdString(failure->message),
                QMessageBox::Warning);
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
    return false;
}
