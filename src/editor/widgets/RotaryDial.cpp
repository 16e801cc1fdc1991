#include "widgets/RotaryDial.h"

#include "params/DialMapping.h"
#include "widgets/RotaryDialAccessible.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QLabel>
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
// How long the value stays shown after the last step of keys or wheel.
constexpr int ShowAfterTurningMs = 1500;

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

// Sizes in device-independent pixels, scaled with the widget, so a 2x
// screen gets the same picture at twice the detail. The knob and the gauge
// share the ring and its travel arc.
struct DialGeometry {
    explicit DialGeometry(const QRect &rect)
        : c(QRectF(rect).center()),
          side(qMin(rect.width(), rect.height())),
          focusWidth(qMax(1.0, side * 0.035)),
          arcWidth(qMax(2.0, side * 0.09)),
          arcRadius(side / 2 - focusWidth - side * 0.02 - arcWidth / 2),
          knobRadius(arcRadius - arcWidth / 2 - qMax(1.5, side * 0.06))
    {
    }
    QRectF square(qreal radius) const { return {c.x() - radius, c.y() - radius, 2 * radius, 2 * radius}; }
    // The unit vector toward an angle; screen y grows downward.
    static QPointF towards(int angle)
    {
        const qreal radians = angle * std::numbers::pi / 180;
        return {std::cos(radians), -std::sin(radians)};
    }

    QPointF c;
    qreal side, focusWidth, arcWidth, arcRadius, knobRadius;
};

// The travel, drawn only over the top: the dead zone stays empty. Flat caps
// keep the ends exactly at the minimum and the maximum.
void paintTravel(QPainter &painter, const DialGeometry &g, const QColor &track, const QColor &filled,
                 int angle, qreal width)
{
    const QRectF arcRect = g.square(g.arcRadius);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(track, width, Qt::SolidLine, Qt::FlatCap));
    painter.drawArc(arcRect, arcUnits(dial::MaximumAngle), arcUnits(degreesFromMinimum(dial::MaximumAngle)));
    const int swept = degreesFromMinimum(snap_dial_angle(angle));
    if (swept > 0) {
        painter.setPen(QPen(filled, g.arcWidth, Qt::SolidLine, Qt::FlatCap));
        // A negative span runs clockwise, the direction of the travel.
        painter.drawArc(arcRect, arcUnits(dial::MinimumAngle), -arcUnits(swept));
    }
}

}  // namespace

RotaryDial::RotaryDial(QWidget *parent) : QWidget(parent), m_angle(dial::MinimumAngle)
{
    RotaryDialAccessible::installFactory();
    setFocusPolicy(Qt::StrongFocus);
    m_turning.setSingleShot(true);
    m_turning.setInterval(ShowAfterTurningMs);
    connect(&m_turning, &QTimer::timeout, this, &RotaryDial::updateValueLabel);
}

RotaryDial::~RotaryDial() { delete m_valueLabel; }

int RotaryDial::angle() const { return m_angle; }

void RotaryDial::setValueFormatter(ValueFormatter formatter)
{
    m_formatter = std::move(formatter);
    updateValueLabel();
}

QString RotaryDial::valueText() const
{
    return m_formatter ? m_formatter(m_angle) : QString::number(shownPosition(m_angle));
}

void RotaryDial::setDisplayOnly(bool displayOnly)
{
    m_displayOnly = displayOnly;
    setFocusPolicy(displayOnly ? Qt::NoFocus : Qt::StrongFocus);
    if (displayOnly) {
        clearFocus();
        endDrag();
    }
    update();
}

void RotaryDial::updateValueLabel()
{
    // A dial on its own has no room around it; it would cover itself.
    QWidget *room = parentWidget();
    const bool shown = room && isVisible() && (m_hovered || m_dragging || m_turning.isActive());
    if (!shown) {
        if (m_valueLabel)
            m_valueLabel->hide();
        return;
    }
    if (!m_valueLabel) {
        m_valueLabel = new QLabel(room);
        m_valueLabel->setObjectName(QStringLiteral("rotaryDialValue"));
        m_valueLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_valueLabel->setAutoFillBackground(true);
        m_valueLabel->setBackgroundRole(QPalette::ToolTipBase);
        m_valueLabel->setForegroundRole(QPalette::ToolTipText);
        m_valueLabel->setAlignment(Qt::AlignCenter);
        m_valueLabel->setContentsMargins(3, 0, 3, 0);
    }
    m_valueLabel->setFont(font());
    m_valueLabel->setText(valueText());
    m_valueLabel->adjustSize();
    // Centred just below the dial, over its caption, and inside the room.
    QRect r(QPoint(0, 0), m_valueLabel->size());
    r.moveTop(geometry().bottom() + 1);
    r.moveLeft(geometry().center().x() - r.width() / 2);
    r.moveLeft(qBound(0, r.left(), qMax(0, room->width() - r.width())));
    r.moveTop(qBound(0, r.top(), qMax(0, room->height() - r.height())));
    m_valueLabel->setGeometry(r);
    m_valueLabel->show();
    m_valueLabel->raise();
}

void RotaryDial::showValueWhileTurning()
{
    m_turning.start();
    updateValueLabel();
}

void RotaryDial::enterEvent(QEnterEvent *event)
{
    m_hovered = true;
    updateValueLabel();
    QWidget::enterEvent(event);
}

void RotaryDial::leaveEvent(QEvent *event)
{
    m_hovered = false;
    updateValueLabel();
    QWidget::leaveEvent(event);
}

void RotaryDial::hideEvent(QHideEvent *event)
{
    m_hovered = false;
    m_turning.stop();
    updateValueLabel();
    QWidget::hideEvent(event);
}

void RotaryDial::setAngle(int degrees)
{
    const int angle = dial::normalized(degrees);
    if (angle == m_angle)
        return;
    m_angle = angle;
    update();
    if (m_valueLabel && m_valueLabel->isVisible())
        updateValueLabel();
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
    updateValueLabel();
}

void RotaryDial::mousePressEvent(QMouseEvent *event)
{
    if (m_displayOnly || event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // The press alone leaves the angle alone: clicking the knob to focus or
    // grab it must not make it jump.
    m_dragging = true;
    m_dragMoved = false;
    m_pressPosition = event->position();
    updateValueLabel();
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
    if (delta == 0 || m_displayOnly) {
        event->ignore();
        return;
    }
    // Turning the wheel away from the user (up) turns the dial clockwise,
    // toward the maximum.
    m_wheelRemainder += event->inverted() ? -delta : delta;
    const int notches = m_wheelRemainder / WheelNotch;
    m_wheelRemainder %= WheelNotch;
    if (notches != 0) {
        showValueWhileTurning();
        stepAlongTravel(notches * PositionsPerNotch);
    }
    event->accept();
}

void RotaryDial::keyPressEvent(QKeyEvent *event)
{
    if (m_displayOnly) {
        QWidget::keyPressEvent(event);
        return;
    }
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
    showValueWhileTurning();
    event->accept();
}

void RotaryDial::changeEvent(QEvent *event)
{
    // A disabled dial never sees the release of a drag it was in, so the drag
    // ends here; otherwise the dial would follow the pointer again once it is
    // enabled.
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        endDrag();
    // The value label lives in the old parent: a new one is made in the new.
    if (event->type() == QEvent::ParentChange && m_valueLabel) {
        delete m_valueLabel;
        updateValueLabel();
    }
    QWidget::changeEvent(event);
}

void RotaryDial::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette::ColorGroup group = !isEnabled()        ? QPalette::Disabled
                                       : isActiveWindow() ? QPalette::Active
                                                          : QPalette::Inactive;
    if (m_displayOnly)
        paintGauge(painter, group);
    else
        paintKnob(painter, group);
}

void RotaryDial::paintKnob(QPainter &painter, QPalette::ColorGroup group)
{
    auto colour = [&](QPalette::ColorRole role) { return palette().color(group, role); };
    const DialGeometry g(rect());

    if (hasFocus()) {
        painter.setPen(QPen(colour(QPalette::Highlight), g.focusWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(g.square(g.side / 2 - g.focusWidth / 2));
    }
    paintTravel(painter, g, colour(QPalette::Mid), colour(QPalette::Highlight), m_angle, g.arcWidth);

    // The knob: lit from above, with a soft shadow below it.
    const qreal shadowOffset = qMax(0.75, g.side * 0.025);
    QColor shadow = colour(QPalette::Shadow);
    shadow.setAlphaF(0.35f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(shadow);
    painter.drawEllipse(g.square(g.knobRadius).translated(0, shadowOffset));

    QLinearGradient body(g.c.x(), g.c.y() - g.knobRadius, g.c.x(), g.c.y() + g.knobRadius);
    body.setColorAt(0, colour(QPalette::Light));
    body.setColorAt(0.5, colour(QPalette::Button));
    body.setColorAt(1, colour(QPalette::Mid));
    painter.setPen(QPen(colour(QPalette::Dark), qMax(1.0, g.side * 0.025)));
    painter.setBrush(body);
    painter.drawEllipse(g.square(g.knobRadius));

    // The pointer: an indicator line on the cap, running out toward the rim.
    const QPointF direction = DialGeometry::towards(m_angle);
    painter.setPen(QPen(colour(QPalette::ButtonText), qMax(1.5, g.side * 0.06), Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(g.c + direction * g.knobRadius * 0.35, g.c + direction * g.knobRadius * 0.82);
}

void RotaryDial::paintGauge(QPainter &painter, QPalette::ColorGroup group)
{
    // Flat, on the window itself: a thin scale with its two ends marked, the
    // value as a filled arc, and a needle from a small hub. No cap to grip.
    auto colour = [&](QPalette::ColorRole role) { return palette().color(group, role); };
    const DialGeometry g(rect());
    const QColor ink = colour(QPalette::WindowText);

    paintTravel(painter, g, colour(QPalette::Mid), colour(QPalette::Highlight), m_angle,
                qMax(1.0, g.arcWidth / 3));
    const qreal tickWidth = qMax(1.0, g.side * 0.03);
    painter.setPen(QPen(ink, tickWidth, Qt::SolidLine, Qt::FlatCap));
    for (int end : {dial::MinimumAngle, dial::MaximumAngle}) {
        const QPointF d = DialGeometry::towards(end);
        painter.drawLine(g.c + d * (g.arcRadius - g.arcWidth), g.c + d * (g.arcRadius + g.arcWidth / 2));
    }

    const QPointF direction = DialGeometry::towards(snap_dial_angle(m_angle));
    painter.setPen(QPen(ink, qMax(1.0, g.side * 0.04), Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(g.c, g.c + direction * (g.arcRadius - g.arcWidth));
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    painter.drawEllipse(g.c, qMax(1.5, g.side * 0.06), qMax(1.5, g.side * 0.06));
}
