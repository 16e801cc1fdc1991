#include "widgets/EditedMark.h"

#include <QLabel>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int Gap = 1;

}  // namespace

EditedMark::EditedMark(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("editedMark"));
    setAccessibleName(QStringLiteral("Edited, not stored"));
    setFocusPolicy(Qt::NoFocus);
    resize(sizeHint());
    hide();
}

int EditedMark::diameter() const
{
    return std::max(6, fontMetrics().height() / 2);
}

QSize EditedMark::sizeHint() const
{
    return {diameter(), diameter()};
}

void EditedMark::placeBeside(const QWidget *caption)
{
    if (!caption)
        return;
    resize(sizeHint());
    const QRect box = caption->geometry();
    const QFontMetrics metrics(caption->font());
    // Left of the caption's text; a check box's text has its box before it,
    // and the dot goes before that.
    int x = box.left() - width() - Gap;
    if (const auto *centred = qobject_cast<const QLabel *>(caption); centred && (centred->alignment() & Qt::AlignHCenter)) {
        const int text = metrics.horizontalAdvance(centred->text());
        x = box.left() + (box.width() - text) / 2 - width() - Gap;
    }
    // Captions under dials sit at their top; check boxes centre their text.
    const auto *label = qobject_cast<const QLabel *>(caption);
    const int middle = label && (label->alignment() & Qt::AlignTop) ? box.top() + metrics.height() / 2
                                                                      : box.center().y();
    move(std::max(0, x), middle - height() / 2);
}

void EditedMark::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    // Active always: the dot says the same whether or not its control can be
    // used now.
    painter.setBrush(palette().color(QPalette::Active, QPalette::WindowText));
    painter.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}
