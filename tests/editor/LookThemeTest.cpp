// The eight carried looks as data: each loads whole, they differ, their text
// and controls are readable (WCAG contrast, with the high-contrast look well
// beyond AA), their style sheets take every colour from the palette that
// these checks cover, and a broken look is refused with the reason.

#include "QtPrinters.h"
#include "WcagContrast.h"
#include "prefs/LookTheme.h"

#include <QFile>
#include <QMetaEnum>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

#include <cmath>

namespace {

using wcag::contrast;
using wcag::relativeLuminance;

LookTheme carried(int number)
{
    QString error;
    std::optional<LookTheme> theme = LookTheme::load(LookTheme::name(number), &error);
    EXPECT_TRUE(theme.has_value()) << error;
    return theme.value_or(LookTheme{});
}

constexpr int HighContrastLook = 5;

// A complete palette block for the parser tests, with one line changed.
QString paletteWith(const QString &extra, const QString &leaveOut = {})
{
    QString text = QStringLiteral("@palette {\n");
    const QMetaEnum roles = QMetaEnum::fromType<QPalette::ColorRole>();
    for (int role = 0; role < QPalette::NColorRoles; ++role) {
        const QString name = QString::fromLatin1(roles.valueToKey(role));
        if (role != QPalette::NoRole && name != leaveOut)
            text += name + QStringLiteral(": #102030;\n");
    }
    return text + extra + QStringLiteral("}\nQPushButton { border: 1px solid palette(dark); }\n");
}

}  // namespace

TEST(LookThemeTest, EightLooksLoadByNameWithoutRegardToCase)
{
    EXPECT_EQ(LookTheme::name(0), "Style_0");
    EXPECT_EQ(LookTheme::name(7), "Style_7");
    for (int look = 0; look < LookTheme::Count; ++look) {
        SCOPED_TRACE(look);
        for (const QString &name : {LookTheme::name(look), LookTheme::name(look).toUpper(),
                                    LookTheme::name(look).toLower()}) {
            QString error;
            const std::optional<LookTheme> theme = LookTheme::load(name, &error);
            ASSERT_TRUE(theme.has_value()) << name << ": " << error;
            EXPECT_FALSE(theme->title.isEmpty());
            EXPECT_FALSE(theme->styleSheet.isEmpty());
            EXPECT_FALSE(theme->styleSheet.contains("@palette")) << "our own at-rules never reach Qt";
            EXPECT_FALSE(theme->styleSheet.contains("@look"));
        }
    }
    QString error;
    EXPECT_FALSE(LookTheme::load("Style_8", &error).has_value());
    EXPECT_EQ(error, "There is no look named Style_8");
}

TEST(LookThemeTest, TheLooksAreDistinct)
{
    QSet<QString> titles, sheets, windows, highlights;
    for (int look = 0; look < LookTheme::Count; ++look) {
        const LookTheme theme = carried(look);
        titles << theme.title;
        sheets << theme.styleSheet;
        windows << theme.palette.color(QPalette::Window).name();
        highlights << theme.palette.color(QPalette::Highlight).name();
    }
    EXPECT_EQ(titles.size(), LookTheme::Count);
    EXPECT_EQ(sheets.size(), LookTheme::Count);
    EXPECT_EQ(windows.size(), LookTheme::Count);
    EXPECT_EQ(highlights.size(), LookTheme::Count);
    // A light and a dark one among them, by their window's lightness.
    bool light = false, dark = false;
    for (int look = 0; look < LookTheme::Count; ++look) {
        const double l = relativeLuminance(carried(look).palette.color(QPalette::Window));
        light |= l > 0.6;
        dark |= l < 0.05;
    }
    EXPECT_TRUE(light);
    EXPECT_TRUE(dark);
}

TEST(LookThemeTest, TextAndControlsMeetWcagContrast)
{
    using R = QPalette::ColorRole;
    // Text on every surface a look draws it on (buttons and lists run from
    // Midlight or Light to Button), and the marks that must stand out: focus
    // rings, selections, filled dial arcs and check boxes in the highlight.
    struct Pair {
        R text;
        R surface;
        bool isText;  // 4.5:1 for text, 3:1 for the marks of controls
    };
    const Pair pairs[] = {
        {R::WindowText, R::Window, true},       {R::Text, R::Base, true},
        {R::Text, R::AlternateBase, true},      {R::WindowText, R::Base, true},
        {R::ButtonText, R::Button, true},       {R::ButtonText, R::Midlight, true},
        {R::ButtonText, R::Light, true},        {R::HighlightedText, R::Highlight, true},
        {R::ToolTipText, R::ToolTipBase, true}, {R::BrightText, R::Shadow, true},
        {R::PlaceholderText, R::Base, true},    {R::Highlight, R::Window, false},
        {R::Highlight, R::Base, false},
    };
    for (int look = 0; look < LookTheme::Count; ++look) {
        SCOPED_TRACE("Style_" + std::to_string(look));
        const QPalette palette = carried(look).palette;
        // The high-contrast look goes to the enhanced level (7:1) for text.
        const double textMinimum = look == HighContrastLook ? 7.0 : 4.5;
        for (const Pair &p : pairs) {
            const QColor fore = palette.color(QPalette::Active, p.text);
            const QColor back = palette.color(QPalette::Active, p.surface);
            EXPECT_GE(contrast(fore, back), p.isText ? textMinimum : 3.0)
                << QMetaEnum::fromType<R>().valueToKey(p.text) << " on "
                << QMetaEnum::fromType<R>().valueToKey(p.surface) << ": " << fore.name().toStdString()
                << " on " << back.name().toStdString();
        }
        // Disabled commands are what a start without a pedal shows, and the
        // display-only dials show the pedal's values in the disabled colours:
        // both stay readable.
        auto disabled = [&](R role) { return palette.color(QPalette::Disabled, role); };
        EXPECT_GE(contrast(disabled(R::WindowText), disabled(R::Window)), 3.0);
        EXPECT_GE(contrast(disabled(R::ButtonText), disabled(R::Button)), 3.0);
        EXPECT_GE(contrast(disabled(R::Text), disabled(R::Base)), 3.0);
        EXPECT_GE(contrast(disabled(R::Highlight), disabled(R::Window)), 3.0);
    }
}

TEST(LookThemeTest, StyleSheetsTakeTheirColoursFromThePaletteAlone)
{
    // Hexadecimal colours, rgb()/hsv() functions or named colours would escape
    // the contrast checks above.
    static const QRegularExpression literal(
        QStringLiteral(R"(#[0-9a-fA-F]{3,8}\b|\b(rgba?|hsva?|hsla?)\s*\(|:\s*(white|black|red|green|blue|yellow|gray|grey)\b)"));
    for (int look = 0; look < LookTheme::Count; ++look) {
        SCOPED_TRACE(look);
        static const QRegularExpression comment(QStringLiteral(R"(/\*.*?\*/)"),
                                                QRegularExpression::DotMatchesEverythingOption);
        const QString rules = carried(look).styleSheet.remove(comment);
        const QRegularExpressionMatch match = literal.match(rules);
        EXPECT_FALSE(match.hasMatch()) << match.captured(0);
    }
}

TEST(LookThemeTest, EveryImageALookNamesIsCarried)
{
    static const QRegularExpression url(QStringLiteral(R"(url\(([^)]+)\))"));
    for (int look = 0; look < LookTheme::Count; ++look) {
        SCOPED_TRACE(look);
        auto matches = url.globalMatch(carried(look).styleSheet);
        int images = 0;
        while (matches.hasNext()) {
            const QString path = matches.next().captured(1);
            EXPECT_TRUE(QFile::exists(path)) << path;
            QString twice = path;
            EXPECT_TRUE(QFile::exists(twice.replace(".png", "@2x.png"))) << "for 2x screens: " << path;
            ++images;
        }
        EXPECT_GT(images, 0) << "check marks and drop-down arrows";
    }
}

TEST(LookThemeTest, ABrokenLookIsRefusedWithTheReason)
{
    struct Case {
        QString text;
        const char *reason;
    };
    const Case cases[] = {
        {"QPushButton { }", "no @palette"},
        {paletteWith({}, "Highlight"), "@palette: no colour for Highlight"},
        {paletteWith("Hilight: #ffffff;\n"), "@palette: unknown role \"Hilight\""},
        {paletteWith("NoRole: #ffffff;\n"), "@palette: unknown role \"NoRole\""},
        {paletteWith("Sometimes.Text: #ffffff;\n"), "@palette: unknown role \"Sometimes.Text\""},
        {paletteWith("Text: #fffffg;\n"), "@palette: \"#fffffg\" for Text is not a colour"},
        {paletteWith("Text #ffffff;\n"), "@palette: \"Text #ffffff\" is not \"name: value\""},
        {"@look { colour: blue; }\n" + paletteWith({}), "@look: unknown key \"colour\""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.reason);
        QString error;
        EXPECT_FALSE(LookTheme::parse(c.text, &error).has_value());
        EXPECT_EQ(error, c.reason);
    }
}

TEST(LookThemeTest, APaletteLineForOneGroupOverridesTheColourForAll)
{
    QString error;
    const std::optional<LookTheme> theme = LookTheme::parse(
        "@look { title: \"Test\"; }\n" + paletteWith("Disabled.Text: #808080; /* dimmer */\n"), &error);
    ASSERT_TRUE(theme.has_value()) << error;
    EXPECT_EQ(theme->title, "Test");
    EXPECT_EQ(theme->palette.color(QPalette::Active, QPalette::Text), QColor("#102030"));
    EXPECT_EQ(theme->palette.color(QPalette::Inactive, QPalette::Text), QColor("#102030"));
    EXPECT_EQ(theme->palette.color(QPalette::Disabled, QPalette::Text), QColor("#808080"));
    EXPECT_EQ(theme->styleSheet, "QPushButton { border: 1px solid palette(dark); }");
}
