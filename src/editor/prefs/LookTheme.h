#pragma once

#include <QList>
#include <QPalette>
#include <QString>
#include <optional>

// One of the editor's eight looks: a palette, which the base style and our own
// dials and switches paint with, and a style sheet that shapes the standard
// controls in that palette's colours. Each look is one resource,
// ":/themes/STYLE_0" to ":/themes/STYLE_7", written as a style sheet with two
// at-rules of our own in front:
//
//   @look { title: Slate; }
//   @palette {
//       Window: #262b33;          all colour groups
//       Disabled.Text: #8b93a1;   one group only
//   }
//   QPushButton { border: 1px solid palette(dark); }
//
// Every palette role must be given; the at-rules are taken out before the
// rest is handed to Qt.
class LookTheme {
public:
    static constexpr int Count = 8;

    // "Style_" and the number: the name a look is known by.
    static QString name(int number);

    // A carried look by its name, without regard to letter case ("style_3"
    // finds STYLE_3). On failure *error says why.
    static std::optional<LookTheme> load(const QString &name, QString *error = nullptr);
    // A look from its text. On failure *error names the first fault.
    static std::optional<LookTheme> parse(const QString &text, QString *error = nullptr);

    // Makes this the look of every window, open ones included: the Fusion base
    // style (which paints with the palette on every platform), the palette,
    // the tool tips' palette, then the style sheet.
    void apply() const;

    QString title;
    QPalette palette;
    QString styleSheet;
};
