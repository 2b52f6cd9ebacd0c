#include "dialog_units.h"

#include <QFontMetrics>

namespace {

// a * b / c rounded to the nearest integer, halves away from zero.
int mulDiv(int a, int b, int c)
{
    const long long p = static_cast<long long>(a) * b;
    return static_cast<int>(p >= 0 ? (p + c / 2) / c : (p - c / 2) / c);
}

} // namespace

DialogUnits::DialogUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    // The average width the way the classic dialog manager takes it: the
    // width of the 52 Latin letters, halved per 26 and rounded.
    const int letters = metrics.horizontalAdvance(QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"));
    m_baseWidth = (letters / 26 + 1) / 2;
    m_baseHeight = metrics.height();
}

int DialogUnits::x(int du) const
{
    return mulDiv(du, m_baseWidth, 4);
}

int DialogUnits::y(int du) const
{
    return mulDiv(du, m_baseHeight, 8);
}

QRect DialogUnits::rect(int left, int top, int width, int height) const
{
    return QRect(x(left), y(top), x(width), y(height));
}

QSize DialogUnits::size(int width, int height) const
{
    return QSize(x(width), y(height));
}

QFont dialogFont(const char* family, int pointSize)
{
    QFont font(QString::fromLatin1(family));
    font.setPointSize(pointSize);
    font.setStyleHint(QFont::SansSerif);
    return font;
}
