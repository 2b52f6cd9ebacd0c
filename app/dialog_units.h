// Dialog layouts are given in dialog units: a quarter of the dialog font's
// average character width horizontally, an eighth of its height vertically.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    int baseWidth() const { return m_baseWidth; }   // average character width, pixels
    int baseHeight() const { return m_baseHeight; } // character height, pixels

    int x(int du) const;
    int y(int du) const;
    QRect rect(int x, int y, int width, int height) const;
    QSize size(int width, int height) const;

private:
    int m_baseWidth;
    int m_baseHeight;
};

// The fonts the dialog layouts name, at their point size.
QFont dialogFont(const char* family, int pointSize);
