#include "group_frame.h"

#include <QPainter>

GroupFrame::GroupFrame(const QString& title, Qt::Alignment alignment, QWidget* parent)
    : QWidget(parent)
    , m_title(title)
    , m_alignment(alignment)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void GroupFrame::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QFontMetrics fm = fontMetrics();
    const int top = fm.height() / 2;
    const QRect box(0, top, width() - 2, height() - top - 2);

    // Etched edge: a shadow line with a highlight one pixel below and right.
    p.setPen(palette().color(QPalette::Light));
    p.drawRect(box.translated(1, 1));
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(box);

    if (m_title.isEmpty())
        return;
    const int indent = fm.averageCharWidth() + 2;
    const int textWidth = fm.horizontalAdvance(m_title);
    int left = indent;
    if (m_alignment & Qt::AlignHCenter)
        left = (width() - textWidth) / 2;
    else if (m_alignment & Qt::AlignRight)
        left = width() - indent - textWidth;
    const QRect textRect(left - 2, 0, textWidth + 4, fm.height());
    p.fillRect(textRect, palette().color(QPalette::Window));
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(textRect, Qt::AlignCenter | Qt::TextSingleLine, m_title);
}
