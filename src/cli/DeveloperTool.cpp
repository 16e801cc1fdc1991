#include "ConsoleOutput.h"
#include "DeveloperTool.h"

#include "ExitStatus.h"
#include "Invocation.h"
#include "PedalSession.h"
#include "devtools/CoefficientCalculator.h"
#include "devtools/DeveloperMessages.h"

#include <QCommandLineParser>
#include <cstdio>

namespace {

const QString DeviceOption = QStringLiteral("device");

void write(const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

}  // namespace

void DeveloperTool::addOptions(QCommandLineParser &parser)
{
    parser.addOption({DeviceOption,
                      QStringLiteral("eeprom dump: the EEPROM's I2C device address, 50 (the default) or 51."),
                      QStringLiteral("50|51"), QStringLiteral("50")});
}

QString DeveloperTool::deviceOptionError(const Invocation &run)
{
    const bool dump = run.args().value(0) == QLatin1String("eeprom") && run.args().value(1) == QLatin1String("dump");
    if (run.isSet(DeviceOption) && !dump)
        return QStringLiteral("--device is an option of eeprom dump only.");
    return {};
}

int DeveloperTool::eeprom(const Invocation &run)
{
    const QStringList &args = run.args();
    const QString action = args[1];
    const bool dump = action == QLatin1String("dump");
    QString error;
    const std::uint16_t top = dump ? DeveloperMessages::LastEepromAddress : DeveloperMessages::LastEepromPage;
    const auto first = DeveloperMessages::parseNumber(dump ? QStringLiteral("START") : QStringLiteral("FIRST"),
                                                      args[2], &error, top);
    const auto last = first ? DeveloperMessages::parseNumber(dump ? QStringLiteral("END") : QStringLiteral("LAST"),
                                                             args[3], &error, top)
                            : std::nullopt;
    if (!first || !last) {
        err(error);
        return UsageError;
    }
    if (*last < *first) {
        err(dump ? QStringLiteral("END must not be below START.") : QStringLiteral("LAST must not be below FIRST."));
        return UsageError;
    }

    return dump ? dumpEeprom(run, *first, *last) : eraseEeprom(run, *first, *last);
}

int DeveloperTool::eraseEeprom(const Invocation &run, std::uint16_t first, std::uint16_t last)
{
    return run.withPedal([&](PedalSession &session) {
        DeveloperMessages messages(session.communication(), session.prompts(), session.clock());
        if (const PedalResult erased = messages.erase(first, last); !erased)
            return session.exitStatus(erased);
        write(QStringLiteral("Erase sent: pages %1 to %2\n").arg(first).arg(last));
        return int(Success);
    });
}

int DeveloperTool::dumpEeprom(const Invocation &run, std::uint16_t first, std::uint16_t last)
{
    const QString deviceText = run.parser().value(DeviceOption);
    if (deviceText != QLatin1String("50") && deviceText != QLatin1String("51")) {
        err(QStringLiteral("--device takes 50 or 51, not \"%1\".").arg(deviceText));
        return UsageError;
    }
    return run.withPedal([&](PedalSession &session) {
        DeveloperMessages messages(session.communication(), session.prompts(), session.clock());
        const auto result = messages.dump(deviceText, first, last);
        if (!result)
            return session.exitStatus(result);
        // One write for the whole listing: a dump may be 16,384 lines.
        QString listing;
        listing.reserve(result->values.size() * 12);
        for (qsizetype i = 0; i < result->values.size(); ++i) {
            listing += Communication::listingLine(first + i, std::uint8_t(result->values.at(i)));
            listing += QLatin1Char('\n');
        }
        write(listing);
        if (result->reply == Communication::Reply::Incomplete)
            err(QStringLiteral("EEPROM dump incomplete: %1 of %2 bytes")
                    .arg(result->values.size())
                    .arg(result->expected));
        return int(result->complete() ? Success : PedalFailure);
    });
}

int DeveloperTool::raw(const Invocation &run)
{
    const QStringList &args = run.args();
    QString error;
    const auto text = DeveloperMessages::rawMessageText(args[1], args[2], &error);
    if (!text) {
        err(error);
        return UsageError;
    }
    return run.withPedal([&](PedalSession &session) {
        const PedalResult sent =
            DeveloperMessages(session.communication(), session.prompts(), session.clock()).sendRaw(*text);
        if (!sent)
            return session.exitStatus(sent);
        write(QStringLiteral("Sent: %1\n").arg(*text));
        return int(Success);
    });
}

int DeveloperTool::calcCoeff(const Invocation &run)
{
    const QStringList &args = run.args();
    const QStringList &notes = CoefficientCalculator::noteNames();
    qsizetype index = -1;
    for (qsizetype i = 0; i < notes.size() && index < 0; ++i)
        if (notes[i].compare(args[1], Qt::CaseInsensitive) == 0)
            index = i;
    if (index < 0) {
        err(QStringLiteral("Unknown note \"%1\"; the notes run from A1 to G#5.").arg(args[1]));
        return UsageError;
    }
    // Scripts write numbers one way, whatever the machine's language.
    QString error;
    const auto q = CoefficientCalculator::parseNumber(args[2], &error, QLocale::c());
    const auto gain = q ? CoefficientCalculator::parseNumber(args[3], &error, QLocale::c()) : std::nullopt;
    if (!q || !gain) {
        err(error);
        return UsageError;
    }
    CoefficientCalculator calculator;
    calculator.locale = QLocale::c();
    calculator.selectNote(int(index));
    calculator.filter_q = *q;
    calculator.filter_gain_db = *gain;
    const QStringList lines = calculator.calculate(notes[index], &error);
    if (lines.isEmpty()) {
        err(error);
        return UsageError;
    }
    write(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    return Success;
}
