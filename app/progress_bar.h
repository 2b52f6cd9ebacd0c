// The job's progress bar. Positions stay inside the range: stepping or moving
// past the maximum leaves the bar full instead of wrapping round.
#pragma once

#include <QProgressBar>

class ProgressBar : public QProgressBar {
public:
    explicit ProgressBar(QWidget* parent = nullptr);

    // Range 0..maximum; a maximum below 1 is taken as 1 (an empty range would
    // turn the bar into a busy indicator).
    void setMaximumPosition(int maximum);
    void setPosition(int position);
    void moveBy(int delta);
    void stepIt(); // one step of 1

    // The bar shows no text; the percentage is only made for assistive
    // technology. (The base class makes it on every change of value, which
    // costs more than the rest of a step.)
    QString text() const override;

private:
    int clamp(long long position) const;
};
