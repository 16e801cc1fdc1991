#include "EditorFixture.h"
#include "app/TformMain.h"
#include "devtools/DebugConsoleTools.h"
#include "model/PedalDevice.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

namespace {

// The Debug Console's developer tools in the real windows: the simulated
// pedal unless a test switches to the stand-in library for its journal.
class DebugConsoleToolsTest : public EditorFixture {
protected:
    void startConnected()
    {
        start();
        windows->formMain->menuConnect->trigger();
        tools = windows->formPrint->findChild<DebugConsoleTools *>();
        ASSERT_NE(tools, nullptr);
        windows->formPrint->btnClearClick();
        prompts.messages.clear();
    }
    void useStandInPedal()
    {
        useStandIn();
        ASSERT_EQ(fake.add("PDL00001", "FT230X Basic UART"), 0);
        clock.onAdvance = [this](std::int64_t now) { fake.setTime(now); };
    }
    QStringList writes() const
    {
        QStringList out;
        for (const QString &line : fake.journal())
            if (line.contains(QLatin1String("FT_Write")))
                out << line.section(QLatin1Char(' '), -1);
        return out;
    }
    void type(QLineEdit *box, const QString &text)
    {
        box->selectAll();
        box->insert(text);
    }
    QStringList tail(int n) const
    {
        const QStringList lines = logLines();
        return lines.mid(std::max<qsizetype>(0, lines.size() - n));
    }

    DebugConsoleTools *tools = nullptr;
};

}  // namespace

TEST_F(DebugConsoleToolsTest, ControlsCarryTheirCaptionsAndStartTexts)
{
    startConnected();
    struct Case {
        QWidget *widget;
        const char *name;
        const char *text;
    };
    const Case cases[] = {
        {tools->btnReadEEPROM, "btnReadEEPROM", "Read E2P 0-16383"},
        {tools->btnEraseEeprom, "btnEraseEeprom", "Erase E2P page 0-255"},
        {tools->edtStartAddress, "edtStartAddress", "0"},
        {tools->edtEndAddress, "edtEndAddress", "255"},
        {tools->lblI2Caddr, "lblI2Caddr", "E2P addr"},
        {tools->edtAddress, "edtAddress", "addr"},
        {tools->edtData, "edtData", "data"},
        {tools->btnSend, "btnSend", "Send"},
        {tools->edtQ, "edtQ", "1.41"},
        {tools->edtBoost, "edtBoost", "0"},
        {tools->btnGetNoteFrequency, "btnGetNoteFrequency", "Calc Coeff."},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(windows->formPrint->findChild<QWidget *>(c.name), c.widget) << c.name;
        QString text;
        if (auto *button = qobject_cast<QPushButton *>(c.widget))
            text = button->text();
        else if (auto *edit = qobject_cast<QLineEdit *>(c.widget))
            text = edit->text();
        else if (auto *label = qobject_cast<QLabel *>(c.widget))
            text = label->text();
        EXPECT_EQ(text, c.text) << c.name;
    }
    EXPECT_EQ(tools->cmbI2Caddr->count(), 2);
    EXPECT_EQ(tools->cmbI2Caddr->currentIndex(), -1);
    EXPECT_EQ(tools->cmbNotePicker->count(), 48);
    EXPECT_EQ(tools->cmbNotePicker->currentText(), "A1");
    EXPECT_EQ(tools->calculator().note_offset, -12.0);
    // Beside the log controls, and the raw message and calculator below them, above the log.
    windows->formPrint->show();
    const QPoint erase = tools->btnEraseEeprom->mapTo(windows->formPrint.get(), QPoint());
    const QPoint scroll = windows->formPrint->CheckBox1->mapTo(windows->formPrint.get(), QPoint());
    const QPoint send = tools->btnSend->mapTo(windows->formPrint.get(), QPoint());
    const QPoint log = windows->formPrint->Memo1->mapTo(windows->formPrint.get(), QPoint());
    EXPECT_GT(erase.x(), scroll.x());
    EXPECT_GT(send.y(), erase.y());
    EXPECT_LT(send.y(), log.y());
}

TEST_F(DebugConsoleToolsTest, EachControlSendsItsMessageAndLogsIt)
{
    useStandInPedal();
    startConnected();
    struct Case {
        const char *what;
        std::function<void()> act;
        const char *written;
        QStringList logged;
    };
    const Case cases[] = {
        {"dump, defaults", [&] { tools->btnReadEEPROM->click(); }, "0C50000000FF", {"6", "0C50000000FF"}},
        {"erase, defaults", [&] { tools->btnEraseEeprom->click(); }, "0B000000FF", {"erase message: 0B000000FF"}},
        {"dump at 51", [&] {
             tools->cmbI2Caddr->setCurrentIndex(1);
             type(tools->edtStartAddress, "100");
             type(tools->edtEndAddress, "115");
             tools->btnReadEEPROM->click();
         }, "0C5100640073", {"6", "0C5100640073"}},
        {"raw message", [&] {
             type(tools->edtAddress, "0012");
             type(tools->edtData, "00000100");
             tools->btnSend->click();
         }, "01001200000100", {"01001200000100"}},
    };
    for (const Case &c : cases) {
        const qsizetype before = writes().size();
        windows->formPrint->btnClearClick();
        c.act();
        EXPECT_EQ(writes().mid(before), QStringList{c.written}) << c.what;
        EXPECT_EQ(logLines().mid(0, c.logged.size()), c.logged) << c.what;
    }
}

TEST_F(DebugConsoleToolsTest, BadInputIsRefusedWithItsReasonAndSendsNothing)
{
    useStandInPedal();
    startConnected();
    struct Case {
        const char *what;
        std::function<void()> act;
        const char *message;
    };
    const Case cases[] = {
        {"start beyond 16 bits", [&] { type(tools->edtStartAddress, "70000"); tools->btnEraseEeprom->click(); },
         "Start must be from 0 to 255, not 70000"},
        {"a page past the last", [&] { type(tools->edtStartAddress, "0"); type(tools->edtEndAddress, "256"); tools->btnEraseEeprom->click(); },
         "End must be from 0 to 255, not 256"},
        {"an address past the last", [&] { type(tools->edtStartAddress, "0"); type(tools->edtEndAddress, "16384"); tools->btnReadEEPROM->click(); },
         "End must be from 0 to 16383, not 16384"},
        {"start not a number", [&] { type(tools->edtStartAddress, "x1"); tools->btnReadEEPROM->click(); },
         "'x1' is not a valid integer value"},
        {"address as typed at first", [&] { tools->btnSend->click(); }, "Address must be 4 hexadecimal digits"},
        {"data as typed at first", [&] { type(tools->edtAddress, "0012"); tools->btnSend->click(); },
         "Data must be 8 hexadecimal digits"},
    };
    for (const Case &c : cases) {
        prompts.messages.clear();
        windows->formPrint->btnClearClick();
        c.act();
        EXPECT_EQ(prompts.messages, QStringList{c.message}) << c.what;
        EXPECT_TRUE(writes().isEmpty()) << c.what << ": " << writes().join(' ').toStdString();
        EXPECT_TRUE(logLines().isEmpty()) << c.what;
    }
}

TEST_F(DebugConsoleToolsTest, CalcCoeffPrintsTheArrayOrSaysWhyNot)
{
    startConnected();
    const QStringList a1 = {"A1_6db_cut_Q11 : array[0..19] of string =",
                            "('00', '7F', 'F8', '73', ", "'FF', '00', '1F', 'FA', ",
                            "'00', '7F', 'E9', '46', ", "'00', 'FF', 'E0', '06', ",
                            "'FF', '80', '1E', '48');"};
    tools->btnGetNoteFrequency->click();
    EXPECT_EQ(logLines(), a1);

    windows->formPrint->btnClearClick();
    tools->cmbNotePicker->setCurrentText("A2");
    type(tools->edtBoost, "-6");
    type(tools->edtQ, "1.41");
    tools->btnGetNoteFrequency->click();
    EXPECT_EQ(logLines(), QStringList({"boost: -6", "Q: 1.41", "A2_6db_cut_Q1.41 : array[0..19] of string =",
                                       "('00', '7F', '8A', 'F6', ", "'FF', '01', 'DC', '05', ",
                                       "'00', '7E', '9F', 'C4', ", "'00', 'FE', '23', 'FB', ",
                                       "'FF', '81', 'D5', '46');"}));
    EXPECT_TRUE(prompts.messages.isEmpty());

    struct Case {
        const char *q;
        const char *boost;
        const char *message;
    };
    const Case cases[] = {
        {"0", "-6", "Q must be greater than 0"},
        {"-2", "-6", "Q must be greater than 0"},
        {"abc", "-6", "'abc' is not a valid floating point value"},
        {"1.41", "6dB", "'6dB' is not a valid floating point value"},
    };
    for (const Case &c : cases) {
        type(tools->edtQ, c.q);
        type(tools->edtBoost, c.boost);
        windows->formPrint->btnClearClick();
        prompts.messages.clear();
        tools->btnGetNoteFrequency->click();
        EXPECT_EQ(prompts.messages, QStringList{c.message}) << c.q << " " << c.boost;
        EXPECT_TRUE(logLines().isEmpty()) << c.q << " " << c.boost;
    }
}

TEST_F(DebugConsoleToolsTest, WholeEepromDumpListsEveryByteAndScrollsToTheEnd)
{
    QByteArray &eeprom = driver.pedal().state().eeprom;
    for (int i = 0; i < eeprom.size(); ++i)
        eeprom[i] = char(i % 251);
    startConnected();
    windows->formPrint->show();
    ASSERT_TRUE(windows->formPrint->CheckBox1->isChecked());
    type(tools->edtEndAddress, "16383");
    tools->btnReadEEPROM->click();
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(" | ").toStdString();
    const QStringList lines = logLines();
    const qsizetype first = lines.indexOf("0:    00");
    ASSERT_GE(first, 0);
    ASSERT_EQ(lines.size() - first, 16384);
    EXPECT_EQ(lines.at(first + 250), "250:    FA");
    EXPECT_EQ(lines.at(first + 251), "251:    00");
    EXPECT_EQ(lines.last(), QStringLiteral("16383:    %1").arg(16383 % 251, 2, 16, QLatin1Char('0')).toUpper());
    QScrollBar *bar = windows->formPrint->Memo1->verticalScrollBar();
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_GT(bar->maximum(), 0);
}

TEST_F(DebugConsoleToolsTest, EraseThenDumpShowsTheErasedPages)
{
    driver.pedal().state().eeprom.fill(char(0x33));
    startConnected();
    type(tools->edtStartAddress, "0");
    type(tools->edtEndAddress, "0");
    tools->btnEraseEeprom->click();
    type(tools->edtStartAddress, "62");
    type(tools->edtEndAddress, "65");
    tools->btnReadEEPROM->click();
    EXPECT_EQ(tail(4), QStringList({"62:    FF", "63:    FF", "64:    33", "65:    33"}));
    EXPECT_TRUE(prompts.messages.isEmpty());
}
