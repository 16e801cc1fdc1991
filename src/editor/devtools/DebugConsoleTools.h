#pragma once

#include "devtools/CoefficientCalculator.h"
#include "devtools/DeveloperMessages.h"

#include <QObject>

class Communication;
class LogSink;
class PauseClock;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TformPrint;
class UserPrompts;

// The Debug Console's developer tools: the EEPROM dump and erase beside the
// log controls, and below them the raw parameter message and the filter
// coefficient calculator. Numbers and hexadecimal texts are checked before
// anything is sent; a bad one is shown in a message box and changes nothing.
// Owned by the console, whose lifetime it shares.
class DebugConsoleTools : public QObject {
    Q_OBJECT
public:
    DebugConsoleTools(TformPrint &console, Communication &communication, UserPrompts &prompts,
                      LogSink &log, PauseClock &clock);

    QPushButton *btnReadEEPROM = nullptr;
    QPushButton *btnEraseEeprom = nullptr;
    QLineEdit *edtStartAddress = nullptr;
    QLineEdit *edtEndAddress = nullptr;
    QComboBox *cmbI2Caddr = nullptr;
    QLabel *lblI2Caddr = nullptr;
    QLineEdit *edtAddress = nullptr;
    QLineEdit *edtData = nullptr;
    QPushButton *btnSend = nullptr;
    QComboBox *cmbNotePicker = nullptr;
    QLineEdit *edtQ = nullptr;
    QLineEdit *edtBoost = nullptr;
    QPushButton *btnGetNoteFrequency = nullptr;

    const CoefficientCalculator &calculator() const { return m_calculator; }

public slots:
    void btnReadEEPROMClick();
    void btnEraseEepromClick();
    void btnSendClick();
    void cmbNotePickerChange(int index);
    void edtQChange(const QString &text);
    void edtBoostChange(const QString &text);
    void btnGetNoteFrequencyClick();

private:
    // The start and end boxes, each from 0 to `last`, or nothing after the
    // reason was shown.
    std::optional<std::pair<std::uint16_t, std::uint16_t>> range(std::uint16_t last);

    UserPrompts &m_prompts;
    LogSink &m_log;
    DeveloperMessages m_messages;
    CoefficientCalculator m_calculator;
};
