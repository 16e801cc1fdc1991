#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

class QLabel;

// A knob whose value is an angle in whole degrees, counter-clockwise from
// 3 o'clock, in (-180, 180]. Its travel runs clockwise from -135 (minimum)
// over the top to -45 (maximum); the sector through 6 o'clock is a dead zone.
//
// The dial does not snap: a drag that ends in the dead zone leaves the angle
// there and the owner decides what to do with it. Wheel and keys move along
// the travel only and never enter the dead zone.
class RotaryDial : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int angle READ angle WRITE setAngle NOTIFY angleChanged USER true)
public:
    explicit RotaryDial(QWidget *parent = nullptr);
    // Takes its value label along.
    ~RotaryDial() override;

    int angle() const;
    // Normalises to (-180, 180]. Any angle is taken, the dead zone included.
    // Emits angleChanged only when the shown angle actually changes; this
    // works on a disabled dial too, which shows values it cannot edit.
    void setAngle(int degrees);

    // The words for an angle ("62%", "Step 12 of 24"). Without one the value
    // is the travel position 0..269.
    using ValueFormatter = std::function<QString(int angle)>;
    void setValueFormatter(ValueFormatter formatter);
    // The value of the shown angle in the formatter's words.
    QString valueText() const;

    void setDisplayOnly(bool displayOnly);
    bool isDisplayOnly() const { return m_displayOnly; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void angleChanged(int angle);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    // Moves by a number of positions along the travel, clamped at its ends.
    // From inside the dead zone the move lands on the nearer end and goes no
    // further, so the first step never crosses the dead zone.
    void stepAlongTravel(int positions);
    // Sets the angle to the direction of a point in widget coordinates, unless
    // the point is the centre itself, which has no direction.
    void pointAt(const QPointF &point);
    QPointF centre() const;
    void endDrag();
    // The value label: shown while hovered or turning, hidden otherwise.
    void updateValueLabel();
    // A key or wheel step keeps the value shown a moment longer.
    void showValueWhileTurning();
    void paintKnob(QPainter &painter, QPalette::ColorGroup group);
    void paintGauge(QPainter &painter, QPalette::ColorGroup group);

    int m_angle;
    bool m_dragging = false;
    bool m_dragMoved = false;
    QPointF m_pressPosition;
    // Wheel deltas smaller than a notch (high-resolution wheels and touch
    // pads) add up until they make one.
    int m_wheelRemainder = 0;
    bool m_displayOnly = false;
    bool m_hovered = false;
    ValueFormatter m_formatter;
    QTimer m_turning;
    // Lives in the parent, so it may reach beyond the dial (over the
    // caption); made when first needed and again after the dial moves to
    // another parent.
    QPointer<QLabel> m_valueLabel;
};
