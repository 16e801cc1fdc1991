#pragma once

#include <QWidget>

// The dot beside a control's caption that says its value was edited and is
// not stored on the pedal. Painted in the look's text colour, so it reads
// wherever the caption does, and sized from the font, so it grows with it.
class EditedMark : public QWidget {
    Q_OBJECT
public:
    explicit EditedMark(QWidget *parent = nullptr);

    // Places the dot just left of `caption`'s text (of a check box's box),
    // on the text's middle line.
    void placeBeside(const QWidget *caption);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int diameter() const;
};
