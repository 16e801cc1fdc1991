#include "widgets/RotaryDial.h"

#include "params/DialMapping.h"
#include "widgets/RotaryDialAccessible.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>
#include <numbers>

namespace {

constexpr int PositionsPerNotch = 3;
constexpr int PositionsPerPage = 27;
// One notch of an ordinary mouse wheel, in eighths of a degree.
constexpr int WheelNotch = 120;

// QPainter's arcs are in sixteenths of a degree, counter-clockwise from
// 3 o'clock: the same convention as the dial's angles.
constexpr int arcUnits(int degrees) { return degrees * 16; }

// The travel position shown for an angle; an angle in the dead zone counts
// as the end it would snap to.
int shownPosition(int angle) { return dial::position(snap_dial_angle(angle)); }

// Degrees swept clockwise from the minimum to an angle, 0..359. The arcs are
// drawn in degrees rather than travel positions: -179 and 180 share a
// position, so a position-based arc would stop a degree short of the pointer
// anywhere past 9 o'clock.
int degreesFromMinimum(int angle) { return ((dial::MinimumAngle - angle) % 360 + 360) % 360; }

}  // namespace

RotaryDial::RotaryDial(QWidget *parent) : QWidget(parent), m_angle(dial::MinimumAngle)
{
    RotaryDialAccessible::installFactory();
    setFocusPolicy(Qt::StrongFocus);
}

int RotaryDial::angle() const { return m_angle; }

void RotaryDial::setAngle(int degrees)
{
    const int angle = dial::normalized(degrees);
    if (angle == m_angle)
        return;
    m_angle = angle;
    update();
    // Announced before the signal: an owner that snaps the dial from its slot
    // sets the angle again, and that change must be announced last.
    QAccessibleValueChangeEvent event(this, shownPosition(m_angle));
    QAccessible::updateAccessibility(&event);
    emit angleChanged(m_angle);
}

QSize RotaryDial::sizeHint() const { return {40, 40}; }

QSize RotaryDial::minimumSizeHint() const { return {24, 24}; }

QPointF RotaryDial::centre() const { return QRectF(rect()).center(); }

void RotaryDial::pointAt(const QPointF &point)
{
    const QPointF c = centre();
    // Screen y grows downward; the dial's angles grow counter-clockwise.
    const qreal dx = point.x() - c.x();
    const qreal dy = c.y() - point.y();
    if (dx == 0 && dy == 0)
        return;
    setAngle(int(std::lround(std::atan2(dy, dx) * 180 / std::numbers::pi)));
}

void RotaryDial::stepAlongTravel(int positions)
{
    if (dial::inDeadZone(m_angle)) {
        setAngle(snap_dial_angle(m_angle));
        return;
    }
    setAngle(dial::angleAt(dial::position(m_angle) + positions));
}

void RotaryDial::endDrag()
{
    m_dragging = false;
    m_dragMoved = false;
}

void RotaryDial::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // The press alone leaves the angle alone: clicking the knob to focus or
    // grab it must not make it jump.
    m_dragging = true;
    m_dragMoved = false;
    m_pressPosition = event->position();
    event->accept();
}

void RotaryDial::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    if (event->position() != m_pressPosition)
        m_dragMoved = true;
    if (m_dragMoved)
        pointAt(event->position());
    event->accept();
}

void RotaryDial::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_dragging || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    if (m_dragMoved || event->position() != m_pressPosition)
        pointAt(event->position());
    endDrag();
    event->accept();
}

void RotaryDial::wheelEvent(QWheelEvent *event)
{
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        event->ignore();
        return;
    }
    // Turning the wheel away from the user (up) turns the dial clockwise,
    // toward the maximum.
    m_wheelRemainder += event->inverted() ? -delta : delta;
    const int notches = m_wheelRemainder / WheelNotch;
    m_wheelRemainder %= WheelNotch;
    if (notches != 0)
        stepAlongTravel(notches * PositionsPerNotch);
    event->accept();
}

void RotaryDial::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Right:
    case Qt::Key_Up:
        stepAlongTravel(1);
        break;
    case Qt::Key_Left:
    case Qt::Key_Down:
        stepAlongTravel(-1);
        break;
    case Qt::Key_PageUp:
        stepAlongTravel(PositionsPerPage);
        break;
    case Qt::Key_PageDown:
        stepAlongTravel(-PositionsPerPage);
        break;
    case Qt::Key_Home:
        setAngle(dial::MinimumAngle);
        break;
    case Qt::Key_End:
        setAngle(dial::MaximumAngle);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void RotaryDial::changeEvent(QEvent *event)
{
    // A disabled dial never sees the release of a drag it was in, so the drag
    // ends here; otherwise the dial would follow the pointer again once it is
    // enabled.
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        endDrag();
    QWidget::changeEvent(event);
}

void RotaryDial::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    const QPalette &pal = palette();
    const QPalette::ColorGroup group = !isEnabled()        ? QPalette::Disabled
                                       : isActiveWindow() ? QPalette::Active
                                                          : QPalette::Inactive;
    auto colour = [&](QPalette::ColorRole role) { return pal.color(group, role); };

    // All geometry in device-independent pixels and scaled with the widget,
    // so a 2x screen gets the same picture at twice the detail.
    const qreal side = qMin(width(), height());
    const QPointF c = centre();
    const qreal focusWidth = qMax(1.0, side * 0.035);
    const qreal arcWidth = qMax(2.0, side * 0.09);
    const qreal arcRadius = side / 2 - focusWidth - side * 0.02 - arcWidth / 2;
    const qreal knobRadius = arcRadius - arcWidth / 2 - qMax(1.5, side * 0.06);
    auto square = [&](qreal radius) {
        return QRectF(c.x() - radius, c.y() - radius, 2 * radius, 2 * radius);
    };

    if (hasFocus()) {
        painter.setPen(QPen(colour(QPalette::Highlight), focusWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(square(side / 2 - focusWidth / 2));
    }

    // The travel, drawn only over the top: the dead zone stays empty. Flat
    // caps keep the ends exactly at the minimum and the maximum.
    const QRectF arcRect = square(arcRadius);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(colour(QPalette::Mid), arcWidth, Qt::SolidLine, Qt::FlatCap));
    painter.drawArc(arcRect, arcUnits(dial::MaximumAngle),
                    arcUnits(degreesFromMinimum(dial::MaximumAngle)));
    const int filled = degreesFromMinimum(snap_dial_angle(m_angle));
    if (filled > 0) {
        painter.setPen(QPen(colour(QPalette::Highlight), arcWidth, Qt::SolidLine, Qt::FlatCap));
        // A negative span runs clockwise, the direction of the travel.
        painter.drawArc(arcRect, arcUnits(dial::MinimumAngle), -arcUnits(filled));
    }

    // The knob: lit from above, with a soft shadow below it.
    const qreal shadowOffset = qMax(0.75, side * 0.025);
    QColor shadow = colour(QPalette::Shadow);
    shadow.setAlphaF(0.35f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(shadow);
    painter.drawEllipse(square(knobRadius).translated(0, shadowOffset));

    QLinearGradient body(c.x(), c.y() - knobRadius, c.x(), c.y() + knobRadius);
    body.setColorAt(0, colour(QPalette::Light));
    body.setColorAt(0.5, colour(QPalette::Button));
    body.setColorAt(1, colour(QPalette::Mid));
    painter.setPen(QPen(colour(QPalette::Dark), qMax(1.0, side * 0.025)));
    painter.setBrush(body);
    painter.drawEllipse(square(knobRadius));

    // The pointer: an indicator line on the cap, running out toward the rim.
    const qreal radians = m_angle * std::numbers::pi / 180;
    const QPointF direction(std::cos(radians), -std::sin(radians));
    painter.setPen(QPen(colour(QPalette::ButtonText), qMax(1.5, side * 0.06), Qt::SolidLine,
                        Qt::RoundCap));
    painter.drawLine(c + direction * knobRadius * 0.35, c + direction * knobRadius * 0.82);
}
