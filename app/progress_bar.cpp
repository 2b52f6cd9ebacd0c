#include "progress_bar.h"

#include <QAccessible>

#include <algorithm>

ProgressBar::ProgressBar(QWidget* parent)
    : QProgressBar(parent)
{
    setTextVisible(false);
    setRange(0, 10);
    setValue(0);
}

void ProgressBar::setMaximumPosition(int maximum)
{
    const int position = value();
    setRange(0, std::max(maximum, 1));
    setValue(clamp(position));
}

void ProgressBar::setPosition(int position)
{
    setValue(clamp(position));
}

void ProgressBar::moveBy(int delta)
{
    setValue(clamp(static_cast<long long>(value()) + delta));
}

void ProgressBar::stepIt()
{
    moveBy(1);
}

QString ProgressBar::text() const
{
    if (isTextVisible() || QAccessible::isActive())
        return QProgressBar::text();
    return QString();
}

int ProgressBar::clamp(long long position) const
{
    return static_cast<int>(std::clamp<long long>(position, minimum(), maximum()));
}
