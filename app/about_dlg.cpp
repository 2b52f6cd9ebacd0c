#include "about_dlg.h"

#include <QLabel>
#include <QPushButton>

#include <algorithm>

#include "app_icon.h"
#include "dialog_units.h"

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("About Veltrane"));
    setFont(dialogFont("MS Sans Serif", 8));
    const DialogUnits du(font());
    setFixedSize(du.size(235, 70));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("aboutIcon"));
    const QRect iconRect = du.rect(11, 17, 20, 20);
    const int side = std::min(iconRect.width(), iconRect.height());
    icon->setPixmap(QPixmap::fromImage(paintAppIcon(side)));
    icon->setGeometry(iconRect.x(), iconRect.y(), side, side);

    auto* text = new QLabel(QStringLiteral("Veltrane Version " VELTRANE_VERSION), this);
    text->setObjectName(QStringLiteral("aboutText"));
    text->setTextFormat(Qt::PlainText);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    text->setGeometry(du.rect(40, 23, 124, 8));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    ok->setGeometry(du.rect(178, 7, 50, 14));
    ok->setFocus();
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
