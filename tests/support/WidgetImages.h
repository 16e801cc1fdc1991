#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QWidget>

// A widget as a screen with that device pixel ratio would show it, over a
// background of the given colour.
inline QImage renderAt(QWidget &widget, qreal ratio, const QColor &background)
{
    QImage image(widget.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(background);
    widget.render(&image);
    return image;
}

// The colour at a point given in the widget's own (device-independent) pixels.
inline QColor pixelAt(const QImage &image, QPointF point)
{
    return image.pixelColor((point * image.devicePixelRatio()).toPoint());
}
