// The dialog's value fields: writing the request's values into them, and
// reading them back with their range checks.
#include "quorrel_dlg.h"

#include <QLineEdit>
#include <QMessageBox>

#include "data_exchange.h"
#include "message_box.h"
#include "request_limits.h"

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
    showMessage(this, QString::fromLatin1(kProgramCaption), message, QMessageBox::Warning);
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
}
