// The dialog's messages: a modal box with one OK button.
#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

void showMessage(QWidget* owner, const QString& caption, const QString& text, QMessageBox::Icon icon);
