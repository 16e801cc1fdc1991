// The command table's promise, seen from outside: --help lists every command,
// and every command refuses arguments of the wrong shape with a usage error
// that names what its --help synopsis names.

#include "QtPrinters.h"
#include "SombrantTool.h"

#include <QMap>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// The synopses under "Commands:" in --help, by command name: a synopsis is a
// line's text after two blanks, up to two blanks or the line's end.
QMap<QString, QStringList> synopsesInHelp(const QString &help)
{
    QMap<QString, QStringList> synopses;
    const qsizetype start = help.indexOf("Commands:\n");
    const qsizetype end = help.indexOf("\n\n", start);
    if (start < 0 || end < 0)
        return synopses;
    static const QRegularExpression synopsisLine("^  (\\S.*?)(  |$)");
    for (const QString &line : help.mid(start, end - start).split('\n')) {
        const QRegularExpressionMatch match = synopsisLine.match(line);
        if (match.hasMatch())
            synopses[match.captured(1).section(' ', 0, 0)] << match.captured(1);
    }
    return synopses;
}

// The upper-case words a synopsis names its arguments with: NAME, VALUE, N.
QStringList placeholders(const QString &synopsis)
{
    static const QRegularExpression word("\\b[A-Z][A-Z0-9]*\\b");
    QStringList words;
    for (auto it = word.globalMatch(synopsis); it.hasNext();)
        words << it.next().captured();
    return words;
}

}  // namespace

TEST(SombrantCommandTable, HelpListsEveryCommandAndEachRefusesWrongArgumentsWithItsUsage)
{
    const ProgramRun help = sombrant({"--help"});
    ASSERT_EQ(help.exitCode, 0) << help.err.toStdString();
    const QMap<QString, QStringList> synopses = synopsesInHelp(help.out);
    const QStringList expected{"assign", "backup", "calc-coeff", "check-update", "eeprom", "flash", "footswitch",
                               "list", "midi", "preset", "raw", "restore", "set", "status", "store", "tuning",
                               "upload-algorithm", "upload-tuning"};
    EXPECT_EQ(synopses.keys(), expected);

    // Seven stray arguments fit no command. They are refused before any pedal
    // is looked for: with none attached, a run that went on would end in 1.
    for (auto it = synopses.cbegin(); it != synopses.cend(); ++it) {
        const QString &name = it.key();
        const ProgramRun run = sombrant(QStringList{name} + QStringList(7, "x"));
        EXPECT_EQ(run.exitCode, 2) << name.toStdString() << ": " << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
        EXPECT_TRUE(run.err.startsWith(name + " takes ") && run.err.endsWith(".\n") && run.err.count('\n') == 1)
            << run.err.toStdString();
        for (const QString &synopsis : it.value())
            for (const QString &word : placeholders(synopsis))
                EXPECT_TRUE(run.err.contains(QRegularExpression("\\b" + word + "\\b")))
                    << name.toStdString() << ": the usage error does not name " << word.toStdString()
                    << " of \"" << synopsis.toStdString() << "\": " << run.err.toStdString();
    }
}
