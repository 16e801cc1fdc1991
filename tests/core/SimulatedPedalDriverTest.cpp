#include "ScriptedPrompts.h"
#include "device/D2XXUnit.h"
#include "device/SimulatedPedalDriver.h"

#include <gtest/gtest.h>

namespace {

// The simulated pedal with a clock the test moves by hand.
class SimulatedPedalTest : public ::testing::Test {
protected:
    void openAt115200()
    {
        transport.GetFTDeviceCount();
        transport.GetFTDeviceSerialNo(0);
        ASSERT_EQ(transport.Open_USB_Device_By_Serial_Number(
                      QString::fromLatin1(transport.FT_Device_String)),
                  ft::Ok);
        transport.baud_rate = 115200;
        transport.word_length = 8;
        ASSERT_EQ(transport.ApplyFTBaudRate(), ft::Ok);
        ASSERT_EQ(transport.ApplyFTDataCharacteristics(), ft::Ok);
    }
    void send(std::initializer_list<std::uint8_t> bytes)
    {
        std::copy(bytes.begin(), bytes.end(), transport.output_buffer.begin());
        transport.WriteFTDevice(std::uint32_t(bytes.size()));
    }
    QByteArray readAll()
    {
        const std::uint32_t n = transport.ReadFTDevice();
        return QByteArray(reinterpret_cast<const char *>(transport.input_buffer.data()), int(n));
    }

    std::int64_t now = 0;
    ScriptedPrompts prompts;
    SimulatedPedalDriver driver{[this] { return now; }};
    D2XXUnit transport{driver, prompts};
};

// Splits the pedal's reply encoding (0x0A, decimal digits, 0x0D) into values.
std::vector<int> values(const QByteArray &reply)
{
    std::vector<int> out;
    for (const QByteArray &field : reply.split('\r')) {
        const QByteArray digits = field.startsWith('\n') ? field.mid(1) : field;
        if (!digits.isEmpty())
            out.push_back(digits.toInt());
    }
    return out;
}

}  // namespace

TEST_F(SimulatedPedalTest, ListsOneFt230xUnderItsFactoryDescription)
{
    ASSERT_EQ(transport.GetFTDeviceCount(), ft::Ok);
    EXPECT_EQ(transport.device_count, 1u);
    ASSERT_EQ(transport.GetFTDeviceSerialNo(0), ft::Ok);
    EXPECT_EQ(transport.FT_Device_String, "SIM00001");
    ASSERT_EQ(transport.GetFTDeviceDescription(0), ft::Ok);
    EXPECT_EQ(transport.FT_Device_String, "FT230X Basic UART");
    EXPECT_TRUE(driver.isSimulated());
    EXPECT_TRUE(prompts.messages.isEmpty());

    EXPECT_EQ(transport.GetFTDeviceSerialNo(1), ft::DeviceNotFound);
    EXPECT_EQ(transport.FT_Device_String, "FT230X Basic UART") << "a failed query keeps the old text";
}

TEST_F(SimulatedPedalTest, FailingCallsShowTheirLabelAndStatusText)
{
    send({0x02, 0x00});  // never opened
    transport.Open_USB_Device_By_Serial_Number("NOPE");
    openAt115200();
    transport.word_length = 9;
    transport.ApplyFTDataCharacteristics();
    EXPECT_EQ(transport.CloseFTDevice(), ft::Ok);
    send({0x02, 0x00});  // closed
    transport.QueryFTQueueStatus();
    EXPECT_EQ(prompts.messages,
              QStringList({"FT_Write - Invalid handle...",
                           "Open_USB_Device_By_Serial_Number - Device not found...",
                           "FT_SetDataCharacteristics - Invalid parameter...",
                           "FT_Write - Invalid handle...", "FT_GetQueueStatus - Invalid handle..."}));
}

TEST_F(SimulatedPedalTest, StatusReplyArrivesAtWireSpeedWithEightyTwoValues)
{
    openAt115200();
    send({0x02, 0x00});
    ASSERT_EQ(transport.QueryFTQueueStatus(), ft::Ok);
    EXPECT_EQ(transport.rx_queue_count, 0u) << "nothing before the pedal could answer";

    // Let the whole reply arrive, then check when its last byte became readable.
    now = 1'000'000;
    ASSERT_EQ(transport.QueryFTQueueStatus(), ft::Ok);
    const std::uint32_t total = transport.rx_queue_count;
    const std::int64_t byteTime = (10 * 1'000'000 + 115200 - 1) / 115200;
    const std::int64_t lastByteAt = 2 * byteTime + 1000 + std::int64_t(total) * byteTime;
    now = lastByteAt - 1;
    transport.QueryFTQueueStatus();
    EXPECT_EQ(transport.rx_queue_count, total - 1);
    now = lastByteAt;
    transport.QueryFTQueueStatus();
    EXPECT_EQ(transport.rx_queue_count, total);

    const std::vector<int> v = values(readAll());
    ASSERT_EQ(v.size(), 82u);
    EXPECT_EQ(v[0], 0x08);   // firmware 8
    EXPECT_EQ(v[1], 0x00);   // algorithm 0010
    EXPECT_EQ(v[2], 0x10);
    EXPECT_EQ(v[3], 0x10);   // effect number
    EXPECT_EQ(readAll().size(), 0) << "a read with nothing waiting reads nothing";
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(SimulatedPedalTest, RequestSplitOverTwoWritesIsAnsweredOnceAndStrayBytesAreIgnored)
{
    openAt115200();
    send({0x55, 0x02});
    send({0x00});
    now = 1'000'000;
    EXPECT_EQ(values(readAll()).size(), 82u);
    EXPECT_TRUE(driver.wire().firmware.events.contains("ignored unknown byte 55"));
}

TEST_F(SimulatedPedalTest, PurgeReceiveDropsWhatHasArrived)
{
    openAt115200();
    send({0x02, 0x00});
    now = 1'000'000;
    ASSERT_EQ(transport.PurgeFTReceive(), ft::Ok);
    transport.QueryFTQueueStatus();
    EXPECT_EQ(transport.rx_queue_count, 0u);
    EXPECT_EQ(transport.PurgeFTTransmit(), ft::Ok);
}

TEST_F(SimulatedPedalTest, WithoutPacingTheReplyIsReadableAtOnce)
{
    openAt115200();
    driver.wire().setPacing(false);
    send({0x02, 0x00});
    EXPECT_EQ(values(readAll()).size(), 82u);
}
