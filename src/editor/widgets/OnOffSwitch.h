#pragma once

#include <QAbstractButton>

// A sliding on/off toggle: a rounded track with a round thumb, right and
// filled with the highlight colour when on, left when off. It is a checkable
// button, so clicks, Space, toggled() and the checkable-button accessibility
// all come from QAbstractButton. Starts off.
class OnOffSwitch : public QAbstractButton {
    Q_OBJECT
public:
    explicit OnOffSwitch(QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};
