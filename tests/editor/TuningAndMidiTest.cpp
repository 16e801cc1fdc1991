// The main window's tuning and MIDI commands on the offscreen platform
// against the simulated pedal: "Upload Tuning Data" and the MIDI channel
// items of the Settings menu, and the "Set Tuning" button with the parameter
// window's two lists. What reached the pedal is read from its state.

#include "EditorFixture.h"

#include "app/TformMain.h"
#include "params/TformFXsettings.h"
#include "tuning/TuningTable.h"

#include <QAction>
#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>

namespace {

class TuningAndMidiTest : public EditorFixture {
protected:
    void request() { QTest::mouseClick(main->btnRequest, Qt::LeftButton); }
    QAction *midiItem(const QString &text) const
    {
        for (QAction *item : main->menuMIDIchannel->actions())
            if (item->text().remove('&') == text)
                return item;
        ADD_FAILURE() << "no MIDI item " << text.toStdString();
        return nullptr;
    }
    // The commands that need the pedal's state: usable or not, together.
    void expectTuningAndMidiUsable(bool usable) const
    {
        EXPECT_EQ(main->menuMIDI->menuAction()->isEnabled(), usable);
        EXPECT_EQ(main->menuUploadTuningsData->isEnabled(), usable);
        EXPECT_EQ(main->btnSetTuning->isEnabled(), usable);
    }

};

QByteArray tableBytes()
{
    QByteArray bytes;
    for (const auto &row : tuning_table)
        bytes += QByteArray(reinterpret_cast<const char *>(row.data()), qsizetype(row.size()));
    return bytes;
}

}  // namespace

TEST_F(TuningAndMidiTest, MidiMenuOffersTheSeventeenChannelsOnlyAfterAStatusRequest)
{
    open();
    QStringList items;
    for (QAction *item : main->menuMIDIchannel->actions()) {
        items << item->text().remove('&');
        EXPECT_FALSE(item->isCheckable()) << item->text().toStdString();
    }
    EXPECT_EQ(items, QStringList({"OMNI", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13",
                                  "14", "15", "16"}));
    // Captions without their keyboard mnemonics.
    EXPECT_EQ(main->menuMIDIchannel->menuAction()->text().remove('&'), "Channel");
    EXPECT_EQ(main->menuMIDI->menuAction()->text().remove('&'), "MIDI");

    // Connected but not yet asked for its state: out of reach.
    expectTuningAndMidiUsable(false);
    request();
    expectTuningAndMidiUsable(true);
    main->menuDisconnect->trigger();
    expectTuningAndMidiUsable(false);
    main->menuConnect->trigger();
    expectTuningAndMidiUsable(false);
}

TEST_F(TuningAndMidiTest, MidiItemsSetThePedalsChannel)
{
    driver.pedal().state().midiChannel = 5;
    open();
    request();
    struct Case {
        const char *item;
        int channel;
        const char *message;
    };
    const Case cases[] = {{"OMNI", 0, "0700"}, {"9", 9, "0709"}, {"10", 10, "070A"}, {"16", 16, "0710"}, {"1", 1, "0701"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.item);
        QAction *item = midiItem(c.item);
        ASSERT_NE(item, nullptr);
        item->trigger();
        EXPECT_EQ(settle().midiChannel, c.channel);
        EXPECT_EQ(logLines().mid(logLines().size() - 2),
                  QStringList({QStringLiteral("Midi channel: ") + c.item, c.message}));
    }
    EXPECT_TRUE(prompts.questions.isEmpty()) << "the channel is sent without a question";
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(" | ");
}

TEST_F(TuningAndMidiTest, UploadTuningDataSendsTheTableAfterAsking)
{
    open();
    request();
    prompts.yesNoAnswers = {false};
    main->menuUploadTuningsData->trigger();
    EXPECT_EQ(prompts.questions, QStringList({"Upload Tuning Data?"}));
    EXPECT_FALSE(settle().tuningTableReceived) << "No sends nothing";
    const QString table = QString::fromLatin1(tableBytes().toHex().toUpper());
    EXPECT_EQ(logLines().last(), "tuning data: " + table) << "the table is logged before the question";

    main->menuUploadTuningsData->trigger();
    EXPECT_EQ(prompts.questions, QStringList({"Upload Tuning Data?", "Upload Tuning Data?"}));
    EXPECT_TRUE(settle().tuningTableReceived);
    EXPECT_EQ(settle().tuningTable, tableBytes());
    EXPECT_EQ(logLines().mid(logLines().size() - 2), QStringList({"tuning data: " + table, "num_of_bytes: 641"}));
    EXPECT_TRUE(driver.pedal().log().contains("tuning data, 641 bytes"));
    EXPECT_FALSE(driver.pedal().log().contains("ignored")) << driver.pedal().log().lines().join("\n").toStdString();
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(" | ");
}

TEST_F(TuningAndMidiTest, SetTuningSendsTheParameterWindowsTuningAndSemitones)
{
    open();
    request();
    struct Case {
        int tuningEntry;
        const char *semitones;
        bool answer;
        int expectedTuning, expectedSemitones;
        const char *message;
    };
    // Each case starts from what the one before left on the pedal (0, 0).
    const Case cases[] = {
        {2, "-2", true, 2, -2, "0902FE"},
        {7, "+3", false, 2, -2, "090703"},  // No: the pedal keeps Drop D
        {7, "+3", true, 7, 3, "090703"},
        {1, "-5", true, 1, -5, "0901FB"},
        {0, "0", true, 0, 0, "090000"},     // No Tuning Selected goes like any other
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.message);
        fx->cmbGuitarTuning->setCurrentIndex(c.tuningEntry);
        fx->cmbSemitonesVariation->setCurrentText(c.semitones);
        ASSERT_EQ(fx->cmbSemitonesVariation->currentText(), c.semitones);
        prompts.questions.clear();
        prompts.yesNoAnswers = {c.answer};
        QTest::mouseClick(main->btnSetTuning, Qt::LeftButton);
        EXPECT_EQ(prompts.questions, QStringList({"Set new tuning?"}));
        EXPECT_TRUE(logLines().contains(QStringLiteral("Tuning Message: ") + c.message));
        const PedalState &state = settle();
        EXPECT_EQ(state.tuningNumber, c.expectedTuning);
        EXPECT_EQ(state.semitones, c.expectedSemitones);
    }
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(" | ");
}
