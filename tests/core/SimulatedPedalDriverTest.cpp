#include "ScriptedPrompts.h"
#include "device/D2XXUnit.h"
#include "device/SimulatedPedalDriver.h"
#include "model/PedalStateFile.h"

#include <QDir>
#include <QTemporaryDir>
#include "ScriptedReplies.h"

#include <gtest/gtest.h>

namespace {

// The simulated pedal behind the transport, with a clock the test moves by hand.
class SimulatedPedalTest : public ::testing::Test {
protected:
    void openAt115200(std::uint8_t parity = ft::ParityNone)
    {
        transport.GetFTDeviceCount();
        transport.GetFTDeviceSerialNo(0);
        ASSERT_EQ(transport.Open_USB_Device_By_Serial_Number(
                      QString::fromLatin1(transport.FT_Device_String)),
                  ft::Ok);
        transport.baud_rate = 115200;
        transport.word_length = 8;
        transport.parity = parity;
        ASSERT_EQ(transport.ApplyFTBaudRate(), ft::Ok);
        ASSERT_EQ(transport.ApplyFTDataCharacteristics(), ft::Ok);
    }
    void send(const QByteArray &bytes)
    {
        std::copy(bytes.begin(), bytes.end(), transport.output_buffer.begin());
        transport.WriteFTDevice(std::uint32_t(bytes.size()));
    }
    void send(std::initializer_list<std::uint8_t> bytes)
    {
        send(QByteArray(reinterpret_cast<const char *>(std::data(bytes)), int(bytes.size())));
    }
    // Each byte in a write of its own, `gapUs` after the previous one began.
    void sendPaced(const QByteArray &bytes, std::int64_t gapUs = 1000)
    {
        for (char c : bytes) {
            send(QByteArray(1, c));
            now += gapUs;
        }
    }
    QByteArray readAll()
    {
        const std::uint32_t n = transport.ReadFTDevice();
        return QByteArray(reinterpret_cast<const char *>(transport.input_buffer.data()), int(n));
    }
    // Lets a second pass and reads what arrived.
    QByteArray answer()
    {
        now += 1'000'000;
        return readAll();
    }

    std::int64_t now = 0;
    ScriptedPrompts prompts;
    SimulatedPedalDriver driver{[this] { return now; }};
    D2XXUnit transport{driver, prompts};
};


QByteArray bytes(const char *hex)
{
    return QByteArray::fromHex(hex);
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
    EXPECT_EQ(prompts.details,
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

    // Let the whole reply arrive, then check when its last byte became
    // readable: the request's 2 bytes, 1 ms latency, then the reply's bytes,
    // each 10 bits at 115200 baud.
    now = 1'000'000;
    ASSERT_EQ(transport.QueryFTQueueStatus(), ft::Ok);
    const std::uint32_t total = transport.rx_queue_count;
    const std::int64_t lastByteAt = 1000 + std::int64_t((2 + total) * 10 * 1'000'000.0 / 115200);
    now = lastByteAt - 5;
    transport.QueryFTQueueStatus();
    EXPECT_EQ(transport.rx_queue_count, total - 1);
    now = lastByteAt + 5;
    transport.QueryFTQueueStatus();
    EXPECT_EQ(transport.rx_queue_count, total);

    const std::vector<int> v = splitValues(readAll());
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
    EXPECT_EQ(splitValues(answer()).size(), 82u);
    EXPECT_TRUE(driver.pedal().log().contains("ignored: unknown byte 55"));
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
    EXPECT_EQ(splitValues(readAll()).size(), 82u);
}

// The bootloader's USART takes 8 data bits and a parity bit. Whether a byte
// gets through depends on the host's framing and on the pause after it.
TEST_F(SimulatedPedalTest, BootloaderTakesBytesAsItsUsartWould)
{
    struct Case {
        const char *name;
        std::uint8_t parity;
        bool separateWrites;   // one write per byte, 1 ms apart
        bool getAnswered;      // the Get command 00 FF after the sync
    };
    const Case cases[] = {
        {"8E1 back to back", ft::ParityEven, false, true},
        {"8E1 paced", ft::ParityEven, true, true},
        {"8N1 paced: stop bit read as parity", ft::ParityNone, true, true},
        {"8N1 back to back: framing errors", ft::ParityNone, false, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SimulatedPedalDriver pedalDriver{[this] { return now; }};
        D2XXUnit line{pedalDriver, prompts};
        PedalSetup setup;
        setup.bootloader = true;
        QString error;
        ASSERT_TRUE(pedalDriver.configure(setup, &error)) << error.toStdString();
        line.GetFTDeviceCount();
        line.GetFTDeviceSerialNo(0);
        ASSERT_EQ(line.Open_USB_Device_By_Serial_Number("SIM00001"), ft::Ok);
        line.baud_rate = 115200;
        line.word_length = 8;
        line.parity = c.parity;
        line.ApplyFTBaudRate();
        line.ApplyFTDataCharacteristics();
        auto write = [&](const QByteArray &b) {
            std::copy(b.begin(), b.end(), line.output_buffer.begin());
            line.WriteFTDevice(std::uint32_t(b.size()));
        };
        auto read = [&] {
            now += 100'000;
            const std::uint32_t n = line.ReadFTDevice();
            return QByteArray(reinterpret_cast<const char *>(line.input_buffer.data()), int(n));
        };

        write(bytes("7f"));  // a lone byte always has an idle line after it
        EXPECT_EQ(read(), bytes("79"));
        if (c.separateWrites) {
            write(bytes("00"));
            now += 1000;
            write(bytes("ff"));
        } else {
            write(bytes("00ff"));
        }
        const QByteArray get = read();
        if (c.getAnswered)
            EXPECT_EQ(get.toHex(), "7907220001021121314379");
        else
            EXPECT_TRUE(get.isEmpty()) << get.toHex().toStdString();
        EXPECT_EQ(pedalDriver.wire().framingErrors() > 0, !c.getAnswered);
    }
}

// The editor's upgrade at 8N1, each byte written alone with a pause: erase,
// one chunk with a vector table, the version record, Go; the started
// firmware reports the record's version.
TEST_F(SimulatedPedalTest, PacedUpgradeStartsTheNewFirmware)
{
    PedalSetup setup;
    setup.bootloader = true;
    QString error;
    ASSERT_TRUE(driver.configure(setup, &error));
    openAt115200();

    auto withChecksum = [](QByteArray frame) {
        char x = 0;
        for (char c : frame)
            x ^= c;
        return frame + QByteArray(1, x);
    };
    QByteArray chunk(256, char(0xFF));
    chunk.replace(0, 8, bytes("0050002001010008"));  // SP 0x20005000, reset 0x08000101
    QByteArray record = QByteArray(7, 0) + QByteArray(1, char(0x09));

    QByteArray expected;
    auto exchange = [&](const QByteArray &out, const QByteArray &reply) {
        sendPaced(out);
        expected += reply;
    };
    exchange(bytes("7f"), bytes("79"));
    exchange(bytes("43bc"), bytes("79"));
    exchange(bytes("ff00"), bytes("79"));
    exchange(bytes("31ce"), bytes("79"));
    exchange(bytes("0800000008"), bytes("79"));
    exchange(withChecksum(QByteArray(1, char(0xFF)) + chunk), bytes("79"));
    exchange(bytes("31ce"), bytes("79"));
    exchange(bytes("0801fc00f5"), bytes("79"));
    exchange(bytes("07000000000000000900").left(9) + bytes("0e"), bytes("79"));
    exchange(bytes("21de"), bytes("79"));
    exchange(bytes("0800000008"), bytes("79"));
    EXPECT_EQ(answer().toHex(), expected.toHex());
    EXPECT_EQ(driver.pedal().mode(), PedalDevice::Mode::Firmware);

    send({0x02, 0x00});
    const std::vector<int> v = splitValues(answer());
    ASSERT_EQ(v.size(), 82u);
    EXPECT_EQ(v[0], 0x09);
}

TEST_F(SimulatedPedalTest, UnplugFaultMakesEveryLaterCallFailAsAGoneDevice)
{
    PedalSetup setup;
    setup.faults = QStringList{"unplug=1"};
    QString error;
    ASSERT_TRUE(driver.configure(setup, &error)) << error.toStdString();
    openAt115200();
    send({0x07, 0x05});  // the first message understood: then the cable goes
    EXPECT_TRUE(driver.unplugged());
    send({0x02, 0x00});
    std::uint32_t count = 0;
    std::uint8_t byte = 0;
    EXPECT_EQ(driver.getQueueStatus(transport.device_handle, count), ft::IoError);
    EXPECT_EQ(driver.read(transport.device_handle, &byte, 1, count), ft::IoError);
    EXPECT_EQ(driver.purge(transport.device_handle, ft::PurgeRx), ft::IoError);
    EXPECT_EQ(transport.ReadFTDevice(), 0u);
    transport.GetFTDeviceCount();
    EXPECT_EQ(transport.device_count, 0u);
    EXPECT_EQ(transport.CloseFTDevice(), ft::Ok);
    EXPECT_EQ(transport.Open_USB_Device_By_Serial_Number("SIM00001"), ft::DeviceNotFound);
    // The transport reports the gone device once.
    EXPECT_EQ(prompts.details, QStringList({"FT_Write - General IO error...",
                                             "Open_USB_Device_By_Serial_Number - Device not found..."}));
}

// The state file is the first pedal's for its life: a second one on it is
// refused, keeps its factory state and saves nothing. What the first one
// stored reaches the file, the change inside the save interval included (it
// is saved when the driver goes), and a pedal started after it finds it.
TEST_F(SimulatedPedalTest, StoredValuesSurviveARestartThroughTheStateFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    PedalSetup setup;
    setup.stateFile = dir.filePath("pedal.json");
    // A line at 115200 baud 8N1 to `pedal`.
    auto setUp = [](D2XXUnit &line) {
        line.GetFTDeviceCount();
        EXPECT_EQ(line.Open_USB_Device_By_Serial_Number("SIM00001"), ft::Ok);
        line.baud_rate = 115200;
        line.word_length = 8;
        line.parity = ft::ParityNone;
        EXPECT_EQ(line.ApplyFTBaudRate(), ft::Ok);
        EXPECT_EQ(line.ApplyFTDataCharacteristics(), ft::Ok);
    };
    // One message over a line of its own; returns the answer's values.
    auto exchange = [this, &setUp](SimulatedPedalDriver &pedal, const QByteArray &message) {
        D2XXUnit line{pedal, prompts};
        setUp(line);
        std::copy(message.begin(), message.end(), line.output_buffer.begin());
        line.WriteFTDevice(std::uint32_t(message.size()));
        now += 1'000'000;
        const std::uint32_t n = line.ReadFTDevice();
        line.CloseFTDevice();
        return splitValues(QByteArray(reinterpret_cast<const char *>(line.input_buffer.data()), int(n)));
    };
    const std::vector<int> factoryStored{0x00, 0x60, 0x00, 0x00};  // Input Level, slot 10
    QString error;
    {
        SimulatedPedalDriver first{[this] { return now; }};
        ASSERT_TRUE(first.configure(setup, &error)) << error.toStdString();
        D2XXUnit line{first, prompts};
        setUp(line);
        for (const QByteArray &m : {bytes("03003FC000004000000014E0000000000100000000"), bytes("080101")}) {
            std::copy(m.begin(), m.end(), line.output_buffer.begin());
            line.WriteFTDevice(std::uint32_t(m.size()));
        }
        EXPECT_EQ(first.stateKeeper().saveCount(), 1) << "the footswitch mode waits for the save interval";

        SimulatedPedalDriver second{[this] { return now; }};
        error.clear();
        EXPECT_FALSE(second.configure(setup, &error));
        EXPECT_TRUE(error.contains(QDir::toNativeSeparators(setup.stateFile))) << error.toStdString();
        EXPECT_TRUE(error.contains("in use")) << error.toStdString();
        const std::vector<int> v = exchange(second, bytes("0200"));
        ASSERT_EQ(v.size(), 82u);
        EXPECT_EQ(std::vector<int>(v.begin() + 62, v.begin() + 66), factoryStored);
        exchange(second, bytes("080001"));  // kept by nobody
        line.CloseFTDevice();
    }

    SimulatedPedalDriver restarted{[this] { return now; }};
    ASSERT_TRUE(restarted.configure(setup, &error)) << error.toStdString();
    const std::vector<int> v = exchange(restarted, bytes("0200"));
    ASSERT_EQ(v.size(), 82u);
    EXPECT_EQ(v[4], 3) << "footswitch mode";
    const std::vector<int> stored(v.begin() + 62, v.end());
    EXPECT_EQ(stored, std::vector<int>({0x00, 0x3F, 0xC0, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00, 0x14,
                                        0xE0, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00}));
}

// A change inside the save interval reaches the file with the first call on
// the driver once the interval has passed, not before.
TEST_F(SimulatedPedalTest, ChangeInsideTheSaveIntervalIsSavedByTheFirstCallAfterIt)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    PedalSetup setup;
    setup.stateFile = dir.filePath("pedal.json");
    QString error;
    ASSERT_TRUE(driver.configure(setup, &error)) << error.toStdString();
    openAt115200();
    auto savedMode = [&] {
        PedalState s = PedalDevice::factoryState(0x08);
        EXPECT_TRUE(PedalStateFile::load(setup.stateFile, s, &error)) << error.toStdString();
        return int(s.footswitchMode);
    };

    send(bytes("080100"));
    EXPECT_EQ(savedMode(), 2) << "the first change after a quiet spell is saved at once";
    now += 1000;
    send(bytes("080101"));
    now = PedalStateKeeper::SaveIntervalUs - 1;
    transport.QueryFTQueueStatus();
    EXPECT_EQ(savedMode(), 2);
    now = PedalStateKeeper::SaveIntervalUs;
    transport.QueryFTQueueStatus();
    EXPECT_EQ(savedMode(), 3);
    EXPECT_EQ(driver.stateKeeper().saveCount(), 2);
    EXPECT_TRUE(driver.saveError().isEmpty());
}
