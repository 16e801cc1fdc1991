#include "widgets/OnOffSwitch.h"

#include "widgets/OnOffSwitchAccessible.h"

#include <QPainter>

OnOffSwitch::OnOffSwitch(QWidget *parent) : QAbstractButton(parent)
{
    OnOffSwitchAccessible::installFactory();
    setCheckable(true);
    setChecked(false);
    setFocusPolicy(Qt::StrongFocus);
}

QSize OnOffSwitch::sizeHint() const { return {41, 21}; }

QSize OnOffSwitch::minimumSizeHint() const { return sizeHint(); }

void OnOffSwitch::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    const QPalette &pal = palette();
    const QPalette::ColorGroup group = !isEnabled()        ? QPalette::Disabled
                                       : isActiveWindow() ? QPalette::Active
                                                          : QPalette::Inactive;
    auto colour = [&](QPalette::ColorRole role) { return pal.color(group, role); };

    // Device-independent geometry: a track twice as long as it is high,
    // centred in whatever room the layout gives, with a margin for the focus
    // ring around it.
    const qreal focusWidth = 1.5;
    const QRectF room = QRectF(rect()).adjusted(2.5, 2.5, -2.5, -2.5);
    const qreal trackHeight = qMin(room.height(), room.width() / 2);
    QRectF track(0, 0, trackHeight * 2, trackHeight);
    track.moveCenter(room.center());
    const qreal radius = trackHeight / 2;
    const bool on = isChecked();

    if (hasFocus()) {
        const qreal inset = focusWidth / 2;
        const QRectF ring = track.adjusted(-2.5 + inset, -2.5 + inset, 2.5 - inset, 2.5 - inset);
        painter.setPen(QPen(colour(QPalette::Highlight), focusWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(ring, ring.height() / 2, ring.height() / 2);
    }

    painter.setPen(QPen(colour(on ? QPalette::Highlight : QPalette::Dark), 1));
    painter.setBrush(colour(on ? QPalette::Highlight : QPalette::Mid));
    painter.drawRoundedRect(track.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);

    const qreal gap = qMax(2.0, trackHeight * 0.14);
    const qreal thumbRadius = radius - gap;
    const QPointF thumbCentre(on ? track.right() - radius : track.left() + radius,
                              track.center().y());
    QColor shadow = colour(QPalette::Shadow);
    shadow.setAlphaF(0.3f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(shadow);
    painter.drawEllipse(thumbCentre + QPointF(0, 0.75), thumbRadius, thumbRadius);
    // On, a light thumb on the highlight; off, a thumb in the text's colour,
    // which stands out from the grey track and from the window around it in
    // every look.
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour(on ? QPalette::Light : QPalette::WindowText));
    painter.drawEllipse(thumbCentre, thumbRadius, thumbRadius);
}
