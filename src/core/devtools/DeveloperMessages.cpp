#include "devtools/DeveloperMessages.h"

#include "app/LogSink.h"
#include "app/PauseClock.h"
#include "device/D2XXUnit.h"
#include "device/HexText.h"
#include "device/PedalCommand.h"

#include <QRegularExpression>

namespace {

bool isHex(const QString &text, int digits)
{
    static const QRegularExpression hex(QStringLiteral("^[0-9A-Fa-f]*$"));
    return text.size() == digits && hex.match(text).hasMatch();
}

// Clears the listing flags whichever way the dump ends.
class ReadActive {
public:
    ReadActive(Communication &c, bool eachByte) : m_c(c)
    {
        m_c.eeprom_read_active = true;
        m_c.list_reply_values = eachByte;
    }
    ~ReadActive()
    {
        m_c.eeprom_read_active = false;
        m_c.list_reply_values = true;
    }
    ReadActive(const ReadActive &) = delete;
    ReadActive &operator=(const ReadActive &) = delete;

private:
    Communication &m_c;
};

}  // namespace

DeveloperMessages::DeveloperMessages(Communication &communication, LogSink &log, PauseClock &clock)
    : m_communication(communication), m_log(log), m_clock(clock)
{
}

std::optional<std::uint16_t> DeveloperMessages::parseNumber(const QString &what, const QString &text,
                                                            QString *error, std::uint16_t last)
{
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok, 10);
    if (!ok) {
        if (error)
            *error = QStringLiteral("'%1' is not a valid integer value").arg(text);
        return std::nullopt;
    }
    // A number out of range is refused, not cut: 70000 would address 1170,
    // and the pedal has nothing past its last address or page.
    if (value < 0 || value > last) {
        if (error)
            *error = QStringLiteral("%1 must be from 0 to %2, not %3").arg(what).arg(last).arg(value);
        return std::nullopt;
    }
    return std::uint16_t(value);
}

std::optional<QString> DeveloperMessages::parseDeviceAddress(const QString &text, QString *error)
{
    const QString address = text.trimmed().isEmpty() ? QString::fromLatin1(DefaultDeviceAddress)
                                                     : text.trimmed().toUpper();
    if (!isHex(address, 2)) {
        if (error)
            *error = QStringLiteral("Device address must be 2 hexadecimal digits");
        return std::nullopt;
    }
    return address;
}

std::optional<QString> DeveloperMessages::rawMessageText(const QString &address, const QString &data,
                                                         QString *error)
{
    // Checked here: the conversion would stop at the first bad pair and send
    // whatever the output buffer held from before in its place.
    bool ok = false;
    const auto addressValue = std::uint16_t(address.toUInt(&ok, 16));
    if (!ok || !isHex(address, 4)) {
        if (error)
            *error = QStringLiteral("Address must be 4 hexadecimal digits");
        return std::nullopt;
    }
    const std::uint32_t dataValue = data.toUInt(&ok, 16);
    if (!ok || !isHex(data, 8)) {
        if (error)
            *error = QStringLiteral("Data must be 8 hexadecimal digits");
        return std::nullopt;
    }
    return liveParameterMessage(addressValue, dataValue);
}

PedalResultOf<DeveloperMessages::DumpResult>
DeveloperMessages::dump(const QString &deviceAddress, std::uint16_t start, std::uint16_t end, Listing listing)
{
    if (end < start || end > LastEepromAddress) {
        const QString why = end < start ? QStringLiteral("EEPROM dump refused: end %1 is below start %2").arg(end).arg(start)
                                        : QStringLiteral("EEPROM dump refused: end %1 is past the last address %2")
                                              .arg(end)
                                              .arg(LastEepromAddress);
        m_log.PrintToConsole(why);
        return PedalResult::refused(why);
    }
    // The request, its pause and the long reply hold the link together.
    const QString what = QStringLiteral("EEPROM dump");
    const auto exchange = m_communication.beginExchange(what);
    if (!exchange)
        return m_communication.busy(what);
    if (!m_communication.discardStrayBytes())
        return PedalResult::failed(QStringLiteral("The EEPROM dump was not sent: ")
                                   + m_communication.transport().last_failure);

    // 0C, device address, first address (2), last address (2).
    const QString text = commandText(PedalCommand::EepromDump) + deviceAddress + hexDigits(start, 4)
                         + hexDigits(end, 4);
    const int n = int(text.size() / 2);
    m_log.PrintToConsole(QString::number(n));
    m_log.PrintToConsole(text);
    m_communication.eeprom_start_address = start;
    m_communication.eeprom_end_address = end;

    DumpResult result;
    result.expected = int(end) - int(start) + 1;
    {
        const ReadActive active(m_communication, listing == Listing::EachByte);
        m_communication.send_message(text, n, true);
        if (m_communication.transport().device_gone)
            return m_communication.written(QStringLiteral("The EEPROM dump request"));
        m_clock.sleep(DumpPauseMs);
        result.reply = m_communication.receive_values(result.expected);
    }
    if (result.reply == Communication::Reply::Decoded
        || result.reply == Communication::Reply::Incomplete)
        result.values = m_communication.received_bytes_array;
    if (result.reply == Communication::Reply::Incomplete)
        m_log.PrintToConsole(QStringLiteral("EEPROM dump incomplete: %1 of %2 bytes")
                                 .arg(result.values.size())
                                 .arg(result.expected));
    return result;
}

PedalResult DeveloperMessages::erase(std::uint16_t first, std::uint16_t last)
{
    if (last < first || last > LastEepromPage) {
        const QString why = QStringLiteral("EEPROM erase refused: pages %1 to %2 are not within 0 to %3")
                                .arg(first)
                                .arg(last)
                                .arg(LastEepromPage);
        m_log.PrintToConsole(why);
        return PedalResult::refused(why);
    }
    // No reply comes, but the erase must not land inside another exchange.
    const QString what = QStringLiteral("EEPROM erase");
    const auto exchange = m_communication.beginExchange(what);
    if (!exchange)
        return m_communication.busy(what);
    m_communication.eeprom_start_address = first;
    m_communication.eeprom_end_address = last;
    // 0B, first page (2), last page (2).
    const QString text = commandText(PedalCommand::EepromErase) + hexDigits(first, 4) + hexDigits(last, 4);
    m_log.PrintToConsole(QStringLiteral("erase message: ") + text);
    m_communication.send_message(text, int(text.size() / 2), true);
    const PedalResult sent = m_communication.written(QStringLiteral("The erase message"));
    m_clock.sleep(ErasePauseMs);
    return sent;
}

PedalResult DeveloperMessages::sendRaw(const QString &messageText)
{
    m_log.PrintToConsole(messageText);
    m_communication.send_message(messageText, RawMessageBytes, false);
    return m_communication.written(QStringLiteral("The raw message"));
}
