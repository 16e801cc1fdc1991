#include "devtools/DebugConsoleTools.h"

#include "app/LogSink.h"
#include "app/TformPrint.h"
#include "app/UserPrompts.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

template <typename W>
W *named(W *widget, const char *name, int width = 0)
{
    widget->setObjectName(QString::fromLatin1(name));
    if (width > 0)
        widget->setMinimumWidth(width);
    return widget;
}

// A box as wide as `chars` digits in its look's font, and never narrower
// than designed: the console keeps its width however the look sizes text.
QLineEdit *fitted(QLineEdit *box, int chars)
{
    const QFontMetrics metrics(box->font());
    box->setMaximumWidth(std::max(box->minimumWidth(),
                                  metrics.horizontalAdvance(QString(chars, QLatin1Char('0'))) + 16));
    return box;
}

}  // namespace

DebugConsoleTools::DebugConsoleTools(TformPrint &console, Communication &communication,
                                     UserPrompts &prompts, LogSink &log, PauseClock &clock)
    : QObject(&console), m_prompts(prompts), m_log(log), m_messages(communication, log, clock)
{
    setObjectName(QStringLiteral("DebugConsoleTools"));

    // Beside the log controls: erase, dump, the two numbers and the device address.
    auto *eeprom = new QWidget;
    btnEraseEeprom = named(new QPushButton(QStringLiteral("Erase E2P page 0-255")), "btnEraseEeprom");
    btnReadEEPROM = named(new QPushButton(QStringLiteral("Read E2P 0-16383")), "btnReadEEPROM");
    edtStartAddress = fitted(named(new QLineEdit(QStringLiteral("0")), "edtStartAddress", 42), 5);
    edtEndAddress = fitted(named(new QLineEdit(QStringLiteral("255")), "edtEndAddress", 45), 5);
    cmbI2Caddr = named(new QComboBox, "cmbI2Caddr", 43);
    cmbI2Caddr->addItems({QStringLiteral("50"), QStringLiteral("51")});
    cmbI2Caddr->setCurrentIndex(-1);  // none chosen: the dump uses 50
    lblI2Caddr = named(new QLabel(QStringLiteral("E2P addr")), "lblI2Caddr");
    lblI2Caddr->setBuddy(cmbI2Caddr);
    edtStartAddress->setAccessibleName(QStringLiteral("First EEPROM address or page"));
    edtEndAddress->setAccessibleName(QStringLiteral("Last EEPROM address or page"));
    cmbI2Caddr->setAccessibleName(QStringLiteral("EEPROM device address"));
    auto *device = new QVBoxLayout;
    device->setContentsMargins(0, 0, 0, 0);
    device->setSpacing(0);
    device->addWidget(cmbI2Caddr);
    device->addWidget(lblI2Caddr);
    auto *top = new QHBoxLayout(eeprom);
    top->setContentsMargins(0, 0, 0, 0);
    top->addWidget(btnEraseEeprom);
    top->addWidget(btnReadEEPROM);
    top->addWidget(edtStartAddress);
    top->addWidget(edtEndAddress);
    top->addLayout(device);

    // Below them: the raw message, then the calculator.
    auto *row = new QWidget;
    edtAddress = fitted(named(new QLineEdit(QStringLiteral("addr")), "edtAddress", 49), 5);
    edtData = fitted(named(new QLineEdit(QStringLiteral("data")), "edtData", 100), 9);
    btnSend = named(new QPushButton(QStringLiteral("Send")), "btnSend");
    cmbNotePicker = named(new QComboBox, "cmbNotePicker", 55);
    edtQ = fitted(named(new QLineEdit(QStringLiteral("1.41")), "edtQ", 35), 5);
    edtBoost = fitted(named(new QLineEdit(QStringLiteral("0")), "edtBoost", 36), 5);
    btnGetNoteFrequency = named(new QPushButton(QStringLiteral("Calc Coeff.")), "btnGetNoteFrequency");
    edtAddress->setAccessibleName(QStringLiteral("Parameter address, 4 hexadecimal digits"));
    edtData->setAccessibleName(QStringLiteral("Parameter value, 8 hexadecimal digits"));
    cmbNotePicker->setAccessibleName(QStringLiteral("Centre note"));
    edtQ->setAccessibleName(QStringLiteral("Q"));
    edtBoost->setAccessibleName(QStringLiteral("Gain in dB"));
    auto *bottom = new QHBoxLayout(row);
    bottom->setContentsMargins(0, 0, 0, 0);
    bottom->addWidget(edtAddress);
    bottom->addWidget(edtData);
    bottom->addWidget(btnSend);
    bottom->addSpacing(8);
    bottom->addWidget(cmbNotePicker);
    bottom->addWidget(edtQ);
    bottom->addWidget(edtBoost);
    bottom->addWidget(btnGetNoteFrequency);
    bottom->addStretch(1);

    console.addDeveloperTools(eeprom, row);

    connect(btnReadEEPROM, &QPushButton::clicked, this, &DebugConsoleTools::btnReadEEPROMClick);
    connect(btnEraseEeprom, &QPushButton::clicked, this, &DebugConsoleTools::btnEraseEepromClick);
    connect(btnSend, &QPushButton::clicked, this, &DebugConsoleTools::btnSendClick);
    connect(cmbNotePicker, &QComboBox::currentIndexChanged, this, &DebugConsoleTools::cmbNotePickerChange);
    connect(edtQ, &QLineEdit::textChanged, this, &DebugConsoleTools::edtQChange);
    connect(edtBoost, &QLineEdit::textChanged, this, &DebugConsoleTools::edtBoostChange);
    connect(btnGetNoteFrequency, &QPushButton::clicked, this, &DebugConsoleTools::btnGetNoteFrequencyClick);

    // Filling the list selects its first note, A1, through the change handler.
    cmbNotePicker->addItems(CoefficientCalculator::noteNames());
}

std::optional<std::pair<std::uint16_t, std::uint16_t>> DebugConsoleTools::range(std::uint16_t last)
{
    QString error;
    const auto start = DeveloperMessages::parseNumber(QStringLiteral("Start"), edtStartAddress->text(), &error, last);
    const auto end = start ? DeveloperMessages::parseNumber(QStringLiteral("End"), edtEndAddress->text(), &error, last)
                           : std::nullopt;
    if (!start || !end) {
        m_prompts.showMessage(error);
        return std::nullopt;
    }
    return std::pair{*start, *end};
}

void DebugConsoleTools::btnReadEEPROMClick()
{
    QString error;
    const auto device = DeveloperMessages::parseDeviceAddress(cmbI2Caddr->currentText(), &error);
    if (!device) {
        m_prompts.showMessage(error);
        return;
    }
    const auto numbers = range(DeveloperMessages::LastEepromAddress);
    if (!numbers)
        return;
    m_messages.dump(*device, numbers->first, numbers->second);
}

void DebugConsoleTools::btnEraseEepromClick()
{
    if (const auto numbers = range(DeveloperMessages::LastEepromPage))
        m_messages.erase(numbers->first, numbers->second);
}

void DebugConsoleTools::btnSendClick()
{
    QString error;
    const auto text = DeveloperMessages::rawMessageText(edtAddress->text(), edtData->text(), &error);
    if (!text) {
        m_prompts.showMessage(error);
        return;
    }
    m_messages.sendRaw(*text);
}

void DebugConsoleTools::cmbNotePickerChange(int index)
{
    m_calculator.selectNote(index);
}

// Box texts reach the calculator only through their changes, so until Q or
// the gain is edited it computes with Q 11 and -6 dB. A text that is not a
// number while it is being typed keeps the last value; "Calc Coeff." says so.
void DebugConsoleTools::edtQChange(const QString &text)
{
    if (const auto value = CoefficientCalculator::parseNumber(text, nullptr)) {
        m_calculator.filter_q = *value;
        m_log.PrintToConsole(QStringLiteral("Q: ") + CoefficientCalculator::formatNumber(*value));
    }
}

void DebugConsoleTools::edtBoostChange(const QString &text)
{
    if (const auto value = CoefficientCalculator::parseNumber(text, nullptr)) {
        m_calculator.filter_gain_db = *value;
        m_log.PrintToConsole(QStringLiteral("boost: ") + CoefficientCalculator::formatNumber(*value));
    }
}

void DebugConsoleTools::btnGetNoteFrequencyClick()
{
    QString error;
    for (const QLineEdit *box : {edtQ, edtBoost}) {
        if (!CoefficientCalculator::parseNumber(box->text(), &error)) {
            m_prompts.showMessage(error);
            return;
        }
    }
    const QStringList lines = m_calculator.calculate(cmbNotePicker->currentText(), &error);
    if (lines.isEmpty()) {
        m_prompts.showMessage(error);
        return;
    }
    for (const QString &line : lines)
        m_log.PrintToConsole(line);
}
