#pragma once

#include <QList>
#include <QObject>
#include <QSize>

class QWidget;

// Keeps a group of widgets (a window's columns of buttons) at one fixed size:
// the largest size hint among them, and never less than `minimum`. The size
// is worked out again whenever a look or a font changes the hints, so that no
// caption is cut in any look.
class EqualSizeGroup : public QObject {
    Q_OBJECT
public:
    EqualSizeGroup(const QList<QWidget *> &widgets, QSize minimum, QObject *parent = nullptr);

    // Sets every widget of the group to the size its hints ask for now.
    void update();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QList<QWidget *> m_widgets;
    QSize m_minimum;
};
