#include "QtPrinters.h"
#include "devtools/CoefficientCalculator.h"

#include <gtest/gtest.h>

namespace {

// The five lines of quoted pairs for pairs written as "00 7F 8A F6 / ...".
QStringList pairLines(const char *groups)
{
    QStringList lines;
    const QStringList coefficients = QString::fromLatin1(groups).split(QStringLiteral(" / "));
    for (int k = 0; k < coefficients.size(); ++k) {
        QString line = k == 0 ? QStringLiteral("(") : QString();
        const QStringList pairs = coefficients[k].split(QLatin1Char(' '));
        for (int p = 0; p < pairs.size(); ++p)
            line += QLatin1Char('\'') + pairs[p] + QLatin1Char('\'')
                    + (k == 4 && p == 3 ? QStringLiteral(");") : QStringLiteral(", "));
        lines << line;
    }
    return lines;
}

}  // namespace

TEST(CoefficientCalculator, NoteListRunsFromA1ToGSharp5)
{
    const QStringList &names = CoefficientCalculator::noteNames();
    ASSERT_EQ(names.size(), 48);
    EXPECT_EQ(names.first(), "A1");
    EXPECT_EQ(names.at(3), "C2");
    EXPECT_EQ(names.at(12), "A2");
    EXPECT_EQ(names.at(36), "A4");
    EXPECT_EQ(names.last(), "G#5");
}

TEST(CoefficientCalculator, PrintsTheWorkedExamplesByteForByte)
{
    struct Case {
        const char *what;
        int note;  // list index; -1 leaves the state as created
        double q;
        double gain;
        const char *heading;
        const char *pairs;
    };
    const Case cases[] = {
        {"A2, Q 1.41, -6 dB", 12, 1.41, -6.0, "A2_6db_cut_Q1.41", "00 7F 8A F6 / FF 01 DC 05 / 00 7E 9F C4 / 00 FE 23 FB / FF 81 D5 46"},
        {"as created: A1, Q 11, -6 dB", -1, 0, 0, "A1_6db_cut_Q11", "00 7F F8 73 / FF 00 1F FA / 00 7F E9 46 / 00 FF E0 06 / FF 80 1E 48"},
    };
    for (const Case &c : cases) {
        CoefficientCalculator calc;
        calc.selectNote(0);  // the first item is selected when the window is created
        if (c.note >= 0) {
            calc.selectNote(c.note);
            calc.filter_q = c.q;
            calc.filter_gain_db = c.gain;
        }
        QString error;
        const QStringList lines =
            calc.calculate(CoefficientCalculator::noteNames().at(std::max(c.note, 0)), &error);
        EXPECT_TRUE(error.isEmpty()) << c.what;
        EXPECT_EQ(lines, QStringList{QString::fromLatin1(c.heading) + " : array[0..19] of string ="}
                             + pairLines(c.pairs))
            << c.what;
    }
}

TEST(CoefficientCalculator, HeadingSaysCutOrBoostWithTheGainsSize)
{
    struct Case {
        double gain;
        double q;
        const char *heading;
    };
    const Case cases[] = {
        {0.0, 1.41, "A2_0db_boost_Q1.41"},
        {6.0, 2.0, "A2_6db_boost_Q2"},
        {-6.5, 0.5, "A2_6.5db_cut_Q0.5"},
        {-0.25, 11.0, "A2_0.25db_cut_Q11"},
    };
    for (const Case &c : cases) {
        CoefficientCalculator calc;
        calc.selectNote(12);
        calc.filter_gain_db = c.gain;
        calc.filter_q = c.q;
        const QStringList lines = calc.calculate(QStringLiteral("A2"), nullptr);
        ASSERT_EQ(lines.size(), 6) << c.heading;
        EXPECT_EQ(lines.first(), QString::fromLatin1(c.heading) + " : array[0..19] of string =");
    }
}

TEST(CoefficientCalculator, ZeroGainPassesTheSignalThrough)
{
    CoefficientCalculator calc;
    calc.selectNote(36);
    calc.filter_q = 1.41;
    calc.filter_gain_db = 0.0;
    const QStringList lines = calc.calculate(QStringLiteral("A4"), nullptr);
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines.at(1), "('00', '80', '00', '00', ");
    EXPECT_DOUBLE_EQ(calc.note_frequency, 440.0);
    const auto c = calc.coefficients();
    EXPECT_DOUBLE_EQ(c[0], 1.0);
    EXPECT_DOUBLE_EQ(c[2], -c[4]);
    EXPECT_EQ(CoefficientCalculator::fixedPoint(c[2]), std::uint32_t(-std::int32_t(CoefficientCalculator::fixedPoint(c[4]))));
}

TEST(CoefficientCalculator, FixedPointRoundsHalfToEvenAndKeepsTheLowBits)
{
    struct Case {
        double value;
        std::uint32_t bits;
    };
    const double lsb = 1.0 / 8388608.0;
    const Case cases[] = {
        {1.0, 0x00800000u},
        {-1.0, 0xFF800000u},
        {0.5 * lsb, 0u},            // half, to the even 0
        {1.5 * lsb, 2u},            // half, to the even 2
        {2.5 * lsb, 2u},
        {-2.5 * lsb, 0xFFFFFFFEu},
        {256.0, 0x80000000u},       // does not fit: the low 32 bits
        {512.0 + lsb, 1u},
    };
    for (const Case &c : cases)
        EXPECT_EQ(CoefficientCalculator::fixedPoint(c.value), c.bits) << c.value;
}

TEST(CoefficientCalculator, BadInputIsRefusedWithItsReason)
{
    struct Case {
        double q;
        const char *error;
    };
    const Case cases[] = {
        {0.0, "Q must be greater than 0"},
        {-1.0, "Q must be greater than 0"},
        {1e-320, "The coefficients are not finite for Q "},
    };
    for (const Case &c : cases) {
        CoefficientCalculator calc;
        calc.filter_q = c.q;
        QString error;
        EXPECT_TRUE(calc.calculate(QStringLiteral("A1"), &error).isEmpty()) << c.q;
        EXPECT_TRUE(error.startsWith(QString::fromLatin1(c.error))) << c.q << ": " << error.toStdString();
    }

    struct Text {
        const char *text;
        std::optional<double> value;
    };
    const Text texts[] = {{"1.41", 1.41}, {"-6.5", -6.5}, {" 11 ", 11.0}, {"", std::nullopt},
                          {"1,41x", std::nullopt}, {"abc", std::nullopt}, {"inf", std::nullopt}};
    for (const Text &t : texts) {
        QString error;
        EXPECT_EQ(CoefficientCalculator::parseNumber(QString::fromLatin1(t.text), &error), t.value) << t.text;
        EXPECT_EQ(error, t.value ? QString()
                                 : QStringLiteral("'%1' is not a valid floating point value").arg(t.text))
            << t.text;
    }
}
