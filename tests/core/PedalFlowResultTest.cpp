// What each pedal operation reports as its result, through the stand-in D2XX
// library: done with the bytes on the wire, declined with nothing sent,
// refused with nothing sent, and failed with the reason in words followed by
// the driver's. The window and the tool show these results; they no longer
// look at the transport to learn them.

#include "QtPrinters.h"
#include "StandInFixture.h"
#include "algorithms/AlgorithmUpload.h"
#include "devtools/DeveloperMessages.h"
#include "device/DeviceConnection.h"
#include "device/StatusRequest.h"
#include "params/ParameterCommands.h"
#include "prefs/MidiChannel.h"
#include "tuning/Tunings.h"

#include <gtest/gtest.h>
#include <functional>

namespace {

using Outcome = PedalResult::Outcome;

class PedalFlowResultTest : public StandInFixture {
protected:
    void SetUp() override
    {
        StandInFixture::SetUp();
        if (HasFatalFailure())
            return;
        QString why;
        ASSERT_TRUE(fx.takeReportedAlgorithm(QStringLiteral("0010"), &why)) << why.toStdString();
        fake.takeTx(0, nullptr, 0);
    }

    QByteArray takeWritten() const
    {
        QByteArray bytes(4096, '\0');
        bytes.resize(qsizetype(fake.takeTx(0, bytes.data(), size_t(bytes.size()))));
        return bytes;
    }

    FXsettings fx;
    ParameterCommands commands{comm, log, prompts, clock};
    Tunings tunings{comm, log, prompts, clock};
    MidiChannel midi{comm, log};
    DeveloperMessages developer{comm, log, clock};
};

struct FlowCase {
    const char *what;
    std::function<PedalResult()> run;
};

// Each writing flow, run three ways: answered Yes, answered No, and with the
// pedal unplugged as it writes.
TEST_F(PedalFlowResultTest, EachWritingFlowSaysWhetherItWasDoneDeclinedOrFailed)
{
    const std::array<int, ControlCount> entries{1, 0, 2, 0, 1};
    const FlowCase flows[] = {
        {"store", [&] { return commands.storeParameters(fx); }},
        {"assign", [&] { return commands.assignControls(fx, entries); }},
        {"tuning", [&] { return tunings.setTuning(3, -2); }},
        {"tuning data", [&] { return tunings.uploadTuningData(); }},
    };
    for (const FlowCase &flow : flows) {
        SCOPED_TRACE(flow.what);
        prompts.yesNoAnswers = {true};
        const PedalResult done = flow.run();
        EXPECT_EQ(done.outcome(), Outcome::Done) << done.reason().toStdString();
        EXPECT_FALSE(takeWritten().isEmpty());

        prompts.yesNoAnswers = {false};
        const PedalResult declined = flow.run();
        EXPECT_EQ(declined.outcome(), Outcome::Declined);
        EXPECT_TRUE(declined.reason().startsWith("Nothing ")) << declined.reason().toStdString();
        EXPECT_FALSE(declined.told());
        EXPECT_TRUE(takeWritten().isEmpty()) << "a No sends nothing";
    }
    for (const FlowCase &flow : flows) {
        SCOPED_TRACE(flow.what);
        // Each unplug ends with the device gone; a fresh open brings it back.
        transport.CloseFTDevice();
        ASSERT_EQ(transport.Open_USB_Device_By_Serial_Number("PDL00001"), ft::Ok);
        transport.device_gone = false;
        prompts.yesNoAnswers = {true};
        ASSERT_EQ(fake.failNext("FT_Write", 4), 0);
        const PedalResult failed = flow.run();
        EXPECT_EQ(failed.outcome(), Outcome::Failed);
        EXPECT_TRUE(failed.reason().contains(" was not sent: FT_Write - ")) << failed.reason().toStdString();
        EXPECT_TRUE(failed.told()) << "the driver's box said it";
    }
}

TEST_F(PedalFlowResultTest, MessagesWithoutQuestionsAreDoneOrFailed)
{
    const FlowCase flows[] = {
        {"live parameter", [&] { return commands.sendParameter(fx, slot::InputLevel, 0x200000); }},
        {"footswitch", [&] { return commands.setFootswitchMode({true, false}); }},
        {"MIDI channel", [&] { return midi.sendChannel(QStringLiteral("10")); }},
        {"raw message", [&] { return developer.sendRaw(QStringLiteral("01001200000100")); }},
        {"EEPROM erase", [&] { return developer.erase(1, 2); }},
    };
    for (const FlowCase &flow : flows) {
        SCOPED_TRACE(flow.what);
        transport.device_gone = false;
        EXPECT_EQ(flow.run().outcome(), Outcome::Done);
        EXPECT_FALSE(takeWritten().isEmpty());
        ASSERT_EQ(fake.failNext("FT_Write", 4), 0);
        const PedalResult failed = flow.run();
        EXPECT_EQ(failed.outcome(), Outcome::Failed);
        EXPECT_TRUE(failed.reason().contains("FT_Write - ")) << failed.reason().toStdString();
        transport.CloseFTDevice();
        ASSERT_EQ(transport.Open_USB_Device_By_Serial_Number("PDL00001"), ft::Ok);
    }
}

// What cannot be carried out as asked is refused before anything is sent.
TEST_F(PedalFlowResultTest, RequestsThatCannotBeCarriedOutAreRefusedUnsent)
{
    FXsettings unknown;  // no image has given addresses
    AlgorithmUpload upload(comm, log, prompts, clock);
    const FlowCase flows[] = {
        {"parameter without addresses", [&] { return commands.sendParameter(unknown, slot::Dry, 1); }},
        {"Range, which has no address", [&] { return commands.sendParameter(fx, slot::Range, 1); }},
        {"assign without addresses", [&] { return commands.assignControls(unknown, {1, 0, 0, 0, 0}); }},
        {"MIDI channel 17", [&] { return midi.sendChannel(QStringLiteral("17")); }},
        {"erase past the last page", [&] { return developer.erase(0, 256); }},
        {"dump below its start", [&] { return developer.dump(QStringLiteral("50"), 9, 8).result(); }},
        {"no effect chosen", [&] { return upload.carriedImage(QString()).result(); }},
        {"a missing effect file", [&] { return upload.fileImage(QStringLiteral("/nonexistent/x.dat")).result(); }},
    };
    for (const FlowCase &flow : flows) {
        SCOPED_TRACE(flow.what);
        prompts.questions.clear();
        const PedalResult refused = flow.run();
        EXPECT_EQ(refused.outcome(), Outcome::Refused);
        EXPECT_FALSE(refused.reason().isEmpty());
        EXPECT_TRUE(prompts.questions.isEmpty()) << "nothing is asked";
        EXPECT_TRUE(takeWritten().isEmpty()) << "nothing is sent";
    }
}

// Silence is a failure the user has not been told of yet when it is the
// upload's (the window marks it in its status line, the tool says it), and
// one the reply's box has told when it is the status request's.
TEST_F(PedalFlowResultTest, SilenceFailsWithTheReasonInWords)
{
    const PedalResultOf<DeviceStatus> status = StatusRequest(comm, log, prompts, clock).request_device_status();
    EXPECT_EQ(status.outcome(), Outcome::Failed);
    EXPECT_FALSE(status.has_value());
    EXPECT_EQ(status.reason(), "No reply from the pedal to the status request");
    EXPECT_TRUE(status.told());

    AlgorithmUpload upload(comm, log, prompts, clock);
    const PedalResult uploaded = upload.upload(QByteArray(16, '\x01'), false, {}, AlgorithmUpload::FailedAfterMs);
    EXPECT_EQ(uploaded.outcome(), Outcome::Failed);
    EXPECT_EQ(uploaded.reason(), "Upload Failed: the pedal did not answer within 5 s");
    EXPECT_FALSE(uploaded.told());
    EXPECT_TRUE(upload.announced);
}

TEST_F(PedalFlowResultTest, AnExchangeRefusedWhileAnotherHoldsTheLinkFailsUntold)
{
    const auto held = comm.beginExchange(QStringLiteral("EEPROM dump"));
    ASSERT_TRUE(held.has_value());
    const PedalResultOf<DeviceStatus> status = StatusRequest(comm, log, prompts, clock).request_device_status();
    EXPECT_EQ(status.outcome(), Outcome::Failed);
    EXPECT_EQ(status.reason(), "The status request was not started: the EEPROM dump waits for the pedal");
    EXPECT_FALSE(status.told());
    EXPECT_TRUE(takeWritten().isEmpty());
}

// One listing for start-up, Scan, the tool's list and its session.
TEST_F(PedalFlowResultTest, TheDeviceListAndTheToolsOpenSayWhatTheyFound)
{
    DeviceConnection connection(transport, comm, log, prompts);
    transport.CloseFTDevice();
    ASSERT_EQ(fake.add("PDL00002", "Other UART"), 1);

    const auto listed = connection.listDevices();
    ASSERT_TRUE(listed.has_value());
    ASSERT_EQ(listed->size(), 2);
    EXPECT_EQ(listed->at(0).serialNumber, "PDL00001");
    EXPECT_EQ(listed->at(1).description, "Other UART");

    const PedalResult several = connection.openPedal(QString());
    EXPECT_EQ(several.outcome(), Outcome::Refused);
    EXPECT_EQ(several.reason(), "2 devices are attached (PDL00001, PDL00002); choose one with --serial");
    EXPECT_FALSE(connection.deviceOpen());

    EXPECT_EQ(connection.openPedal(QStringLiteral("PDL00002")).outcome(), Outcome::Done);
    EXPECT_TRUE(connection.deviceOpen());
    EXPECT_EQ(transport.baud_rate, 115200u);
    connection.Disconnect();

    ASSERT_EQ(fake.failNext("FT_ListDevices", 4), 0);
    const auto failed = connection.listDevices();
    EXPECT_EQ(failed.outcome(), Outcome::Failed);
    EXPECT_TRUE(failed.reason().startsWith("The attached devices could not be listed: ")) << failed.reason().toStdString();

    fake.reset();
    const PedalResult none = connection.openPedal(QString());
    EXPECT_EQ(none.outcome(), Outcome::Failed);
    EXPECT_EQ(none.reason(), "No device found");
}

}  // namespace
