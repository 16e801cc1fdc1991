// The simulated pedal's answers read back through the editor's own message
// exchange: what the pedal holds is what the decode yields.

#include "ManualClock.h"
#include "QtPrinters.h"
#include "RecordingLog.h"
#include "ScriptedPrompts.h"
#include "device/Communication.h"
#include "device/D2XXUnit.h"
#include "device/SimulatedPedalDriver.h"
#include "device/StatusRequest.h"
#include "model/PedalDevice.h"

#include <gtest/gtest.h>

namespace {

class PedalRoundTripTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        transport.GetFTDeviceCount();
        ASSERT_EQ(transport.Open_USB_Device_By_Serial_Number("SIM00001"), ft::Ok);
        transport.baud_rate = 115200;
        transport.word_length = 8;
        transport.ApplyFTBaudRate();
        transport.ApplyFTDataCharacteristics();
    }

    ManualClock clock;
    ScriptedPrompts prompts;
    RecordingLog log;
    SimulatedPedalDriver driver{clock.microseconds()};
    D2XXUnit transport{driver, prompts};
    Communication comm{transport, log, prompts, clock};
    StatusRequest status{comm, log, prompts, clock};
};

}  // namespace

TEST_F(PedalRoundTripTest, StatusValuesComeBackAsThePedalHoldsThem)
{
    PedalState &state = driver.pedal().state();
    state.firmwareVersion = 0x07;
    state.footswitchMode = 2;
    state.assigned[2] = 1;
    state.assignedAddress[2] = 0x000C;
    state.tuningNumber = 7;
    state.semitones = -5;
    state.storedValues[0] = 0x007FE000;
    state.storedValues[11] = 0x00455558;

    const auto s = status.request_device_status();
    ASSERT_TRUE(s.has_value()) << prompts.messages.join(" | ");
    EXPECT_EQ(s->device_firmware_version, "07");
    EXPECT_EQ(s->device_algorithm_version, "0010");
    EXPECT_EQ(s->footswitch_mode, 2);
    EXPECT_TRUE(s->assignments[2].assigned);
    EXPECT_EQ(s->assignments[2].address, 0x000C);
    EXPECT_EQ(s->tuning, 7);
    EXPECT_EQ(s->semitones, -5);
    for (int i = 0; i < ParameterSlotCount; ++i)
        EXPECT_EQ(s->parameterValues[i], state.storedValues[i]) << "slot " << i;
}

TEST_F(PedalRoundTripTest, AnEepromDumpLongerThanTheBufferDecodesWhole)
{
    QByteArray &eeprom = driver.pedal().state().eeprom;
    for (int i = 0; i < eeprom.size(); ++i)
        eeprom[i] = char((i * 37 + 11) & 0xFF);
    comm.eeprom_read_active = true;
    comm.eeprom_start_address = 0;
    comm.eeprom_end_address = 16383;
    // EEPROM read: 0C, device 50, start 0000, end 3FFF.
    comm.send_message("0C5000003FFF", 6, true);
    clock.sleep(200);
    ASSERT_EQ(comm.receive_reply(), Communication::Reply::Decoded) << prompts.messages.join(" | ");
    EXPECT_GT(comm.received_reply.size(), 65536) << "the dump is longer than one buffer";
    ASSERT_EQ(comm.decoded_count, 16384);
    EXPECT_EQ(comm.received_bytes_array, eeprom);
    EXPECT_EQ(log.lines.size(), 2 + 16384);
    EXPECT_EQ(log.lines.last(), QStringLiteral("16383:    %1").arg(std::uint8_t(eeprom.back()), 2, 16, QLatin1Char('0')).toUpper());
}
