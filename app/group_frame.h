// A captioned frame around a group of controls: an etched rectangle whose top
// edge runs through the middle of the caption. It only draws; the controls it
// surrounds are its siblings and keep every click.
#pragma once

#include <QWidget>

class GroupFrame : public QWidget {
public:
    GroupFrame(const QString& title, Qt::Alignment alignment, QWidget* parent = nullptr);

    QString title() const { return m_title; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
    Qt::Alignment m_alignment;
};
