// The serial-port driver under the transport, against a real pseudo-terminal:
// the test plays the pedal on the master end, QSerialPort opens the slave. On
// Windows, which has no pseudo-terminals, the line is a pipe (PtyPair is a
// PipePair there) and the driver's pipe port opens it; only the terminal's
// line settings are not there to look at.

#include "device/D2XXUnit.h"
#include "device/SerialPortDriver.h"

#include "PtyPair.h"
#include "ScriptedPrompts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr auto kDeadline = 5s;

QByteArray pattern(qsizetype size, int seed)
{
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char((i * 31 + seed + i / 251) & 0xff);
    return bytes;
}

// "" when equal, else where the two first differ: a 64 KiB dump helps nobody.
std::string difference(const QByteArray &got, const QByteArray &want)
{
    if (got == want)
        return {};
    const auto n = std::min(got.size(), want.size());
    qsizetype i = 0;
    while (i < n && got[i] == want[i])
        ++i;
    return "sizes " + std::to_string(got.size()) + "/" + std::to_string(want.size())
         + ", first difference at byte " + std::to_string(i);
}

}  // namespace

class SerialPortDriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.isOpen()) << pty.error().toStdString();
        driver.addExplicitPort(pty.slavePath());
    }

    void openPty()
    {
        ASSERT_EQ(unit.Open_USB_Device_By_Serial_Number(pty.slavePath()), ft::Ok) << messages();
    }

    std::string messages() const { return prompts.messages.join(QStringLiteral(" | ")).toStdString(); }

    void send(const QByteArray &bytes)
    {
        std::copy(bytes.begin(), bytes.end(), unit.output_buffer.begin());
        unit.WriteFTDevice(std::uint32_t(bytes.size()));
    }

    // Polls the receive queue, as the editor does, until `count` bytes wait.
    std::uint32_t waitForQueue(std::uint32_t count)
    {
        const auto end = std::chrono::steady_clock::now() + kDeadline;
        while (unit.QueryFTQueueStatus() == ft::Ok && unit.rx_queue_count < count
               && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(1ms);
        return unit.rx_queue_count;
    }

    QByteArray readReceived()
    {
        const std::uint32_t n = unit.ReadFTDevice();
        return QByteArray(reinterpret_cast<const char *>(unit.input_buffer.data()), qsizetype(n));
    }

    // Polls and reads until `count` bytes have come in (or the deadline passes).
    QByteArray receive(qsizetype count, std::chrono::milliseconds deadline = kDeadline)
    {
        const auto end = std::chrono::steady_clock::now() + deadline;
        QByteArray got;
        while (got.size() < count && std::chrono::steady_clock::now() < end) {
            if (unit.QueryFTQueueStatus() != ft::Ok)
                break;
            if (unit.rx_queue_count > 0)
                got += readReceived();
            else
                std::this_thread::sleep_for(1ms);
        }
        return got;
    }

    PtyPair pty;  // outlives the driver, which closes its port first
    SerialPortDriver driver;
    ScriptedPrompts prompts;
    D2XXUnit unit{driver, prompts};
};

TEST_F(SerialPortDriverTest, ListsExplicitPortsAfterTheSystemsFtdiPorts)
{
    SerialPortDriver plain;
    std::uint32_t systemPorts = 0;
    ASSERT_EQ(plain.listDeviceCount(systemPorts), ft::Ok);
    EXPECT_EQ(plain.driverName(), QStringLiteral("serial port"));

    ASSERT_EQ(unit.GetFTDeviceCount(), ft::Ok);
    ASSERT_EQ(unit.device_count, systemPorts + 1);

    PtyPair second;
    ASSERT_TRUE(second.isOpen()) << second.error().toStdString();
    driver.addExplicitPort(second.slavePath());
    driver.addExplicitPort(pty.slavePath());  // listed once, however often it is added

    // The by-index calls read the listing taken by the last count.
    EXPECT_EQ(unit.GetFTDeviceSerialNo(systemPorts + 1), ft::DeviceNotFound);
    ASSERT_EQ(unit.GetFTDeviceCount(), ft::Ok);
    ASSERT_EQ(unit.device_count, systemPorts + 2);

    const struct {
        std::uint32_t index;
        QString path;
    } listed[] = {{systemPorts, pty.slavePath()}, {systemPorts + 1, second.slavePath()}};
    for (const auto &port : listed) {
        SCOPED_TRACE(port.path.toStdString());
        ASSERT_EQ(unit.GetFTDeviceSerialNo(port.index), ft::Ok);
        EXPECT_EQ(unit.FT_Device_String, port.path.toLocal8Bit());
        ASSERT_EQ(unit.GetFTDeviceDescription(port.index), ft::Ok);
        EXPECT_EQ(unit.FT_Device_String, QByteArray("Serial port"));
    }
    EXPECT_EQ(unit.GetFTDeviceDescription(systemPorts + 2), ft::DeviceNotFound);
    EXPECT_EQ(prompts.details,
              QStringList({QStringLiteral("GetFTDeviceSerialNo - Device not found..."),
                           QStringLiteral("GetFTDeviceDescription - Device not found...")}));
}

TEST(SerialPortDriverListing, CopiesStringsIntoTheSixtyFourByteBuffer)
{
    constexpr int kGuard = 8;
    for (const int length : {10, 63, 64, 65, 100}) {
        SCOPED_TRACE(length);
        const QString path = QStringLiteral("/no/") + QString(length - 4, QLatin1Char('x'));
        ASSERT_EQ(path.size(), length);
        SerialPortDriver driver;
        driver.addExplicitPort(path);
        std::uint32_t count = 0;
        ASSERT_EQ(driver.listDeviceCount(count), ft::Ok);
        ASSERT_GE(count, 1u);

        std::array<char, ft::ListBufferSize + kGuard> buffer;
        buffer.fill('#');
        ASSERT_EQ(driver.listSerialNumber(count - 1, buffer.data()), ft::Ok);
        const int copied = std::min(length, ft::ListBufferSize);
        EXPECT_EQ(QByteArray(buffer.data(), copied), path.toLocal8Bit().left(copied));
        if (length < ft::ListBufferSize) {
            EXPECT_EQ(buffer[size_t(length)], '\0');
        }
        EXPECT_EQ(QByteArray(buffer.data() + ft::ListBufferSize, kGuard), QByteArray(kGuard, '#'))
            << "wrote past the 64-byte buffer";
    }
}

TEST_F(SerialPortDriverTest, MovesBytesBothWays)
{
    openPty();

    const QByteArray out("\x00\x01\x7f\x80\xfe\xff pedal", 12);
    send(out);
    EXPECT_EQ(unit.ft_status, ft::Ok);
    EXPECT_EQ(pty.readMaster(out.size()), out);

    const QByteArray in("\xf0\x0d\x00\x42 sombrant\xff", 14);
    ASSERT_EQ(pty.writeMaster(in), in.size());
    EXPECT_EQ(waitForQueue(std::uint32_t(in.size())), std::uint32_t(in.size()));
    EXPECT_EQ(readReceived(), in);
    ASSERT_EQ(unit.QueryFTQueueStatus(), ft::Ok);
    EXPECT_EQ(unit.rx_queue_count, 0u);

    // A read takes at most what it asks for; the rest waits for the next one.
    ASSERT_EQ(pty.writeMaster("abcde"), 5);
    ASSERT_EQ(waitForQueue(5), 5u);
    std::array<std::uint8_t, 8> buffer{};
    std::uint32_t got = 0;
    ASSERT_EQ(driver.read(unit.device_handle, buffer.data(), 3, got), ft::Ok);
    EXPECT_EQ(got, 3u);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(buffer.data()), 4), QByteArray("abc\0", 4));
    EXPECT_EQ(readReceived(), QByteArray("de"));

    EXPECT_TRUE(prompts.messages.isEmpty()) << messages();
}

TEST_F(SerialPortDriverTest, FullBuffersArriveWholeAndInOrder)
{
    openPty();
    unit.baud_rate = 115200;
    ASSERT_EQ(unit.ApplyFTBaudRate(), ft::Ok);

    // Far more than a pseudo-terminal takes in one go (about 12 KB), so the
    // write goes out in many pieces. The pedal side starts reading only once
    // the first piece has landed, so that piece really meets a full line.
    const QByteArray out = pattern(D2XXUnit::BufferSize, 1);
    QByteArray atPedal;
    std::thread pedalReads([&] {
        pty.waitForMasterInput(4000, 10s);
        atPedal = pty.readMaster(out.size(), 10s);
    });
    send(out);
    pedalReads.join();
    EXPECT_EQ(unit.ft_status, ft::Ok);
    EXPECT_EQ(difference(atPedal, out), "");

    // More than one read's worth comes in.
    const QByteArray in = pattern(D2XXUnit::BufferSize + 4096, 7);
    std::thread pedalWrites([&] { pty.writeMaster(in, 10s); });
    const QByteArray got = receive(in.size(), 10s);
    pedalWrites.join();
    EXPECT_EQ(difference(got, in), "");

    EXPECT_TRUE(prompts.messages.isEmpty()) << messages();
}

TEST_F(SerialPortDriverTest, PurgeDiscardsOnlyTheDirectionAsked)
{
    openPty();
    const struct {
        const char *name;
        FtStatus (D2XXUnit::*purge)();
        bool alreadyPolled;  // bytes moved into the port's buffer, or still with the system
        bool keepsInput;
    } cases[] = {
        {"RX, bytes already polled", &D2XXUnit::PurgeFTReceive, true, false},
        {"RX, bytes still with the system", &D2XXUnit::PurgeFTReceive, false, false},
        {"TX, bytes already polled", &D2XXUnit::PurgeFTTransmit, true, true},
        {"TX, bytes still with the system", &D2XXUnit::PurgeFTTransmit, false, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(pty.writeMaster("old"), 3);
        if (c.alreadyPolled) {
            ASSERT_EQ(waitForQueue(3), 3u);
        } else {
            ASSERT_TRUE(pty.waitForSlaveInput(3));
        }

        EXPECT_EQ((unit.*c.purge)(), ft::Ok);

        ASSERT_EQ(pty.writeMaster("new"), 3);
        const QByteArray expected = c.keepsInput ? "oldnew" : "new";
        EXPECT_EQ(receive(expected.size()), expected);
    }
    EXPECT_TRUE(prompts.messages.isEmpty()) << messages();
}

TEST_F(SerialPortDriverTest, AppliesBaudRateAnd8N1ToTheLine)
{
#ifdef Q_OS_WIN
    GTEST_SKIP() << "a pipe has no line settings to look at; they are a terminal's";
#else
    openPty();
    termios start = pty.slaveTermios();
    ::cfsetispeed(&start, B9600);
    ::cfsetospeed(&start, B9600);
    start.c_cflag |= CSTOPB;
    ASSERT_TRUE(pty.setSlaveTermios(start));

    unit.baud_rate = 115200;
    unit.word_length = ft::Bits8;
    unit.stop_bits = ft::StopBits1;
    unit.parity = ft::ParityNone;
    EXPECT_EQ(unit.ApplyFTBaudRate(), ft::Ok);
    EXPECT_EQ(unit.ApplyFTDataCharacteristics(), ft::Ok);

    const termios line = pty.slaveTermios();
    EXPECT_EQ(::cfgetospeed(&line), speed_t(B115200));
    EXPECT_EQ(::cfgetispeed(&line), speed_t(B115200));
    EXPECT_EQ(line.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_EQ(line.c_cflag & PARENB, 0u);
    EXPECT_EQ(line.c_cflag & CSTOPB, 0u);
    EXPECT_TRUE(prompts.messages.isEmpty()) << messages();
#endif
}

// A Linux pseudo-terminal stays CS8 without parity whatever it is asked (the
// kernel clears CSIZE and PARENB on every change), so PARENB and 7-bit words
// cannot be seen here. It does keep the stop bits and the bits that choose
// odd, even, mark or space, and those are what these cases look at. Each case
// starts from the opposite bits, so every expected bit has to come from the call.
TEST_F(SerialPortDriverTest, AppliesStopBitsAndParityKind)
{
#ifdef Q_OS_WIN
    GTEST_SKIP() << "a pipe has no line settings to look at; they are a terminal's";
#else
    openPty();
    const struct {
        const char *name;
        std::uint8_t stopBits;
        std::uint8_t parity;
        bool twoStop;
        bool oddBit;
        bool stickBit;
    } cases[] = {
        {"8O2", ft::StopBits2, ft::ParityOdd, true, true, false},
        {"8E1", ft::StopBits1, ft::ParityEven, false, false, false},
        {"8M2", ft::StopBits2, ft::ParityMark, true, true, true},
        {"8S1", ft::StopBits1, ft::ParitySpace, false, false, true},
    };
    auto setBit = [](termios &t, tcflag_t bit, bool on) {
        t.c_cflag = on ? (t.c_cflag | bit) : (t.c_cflag & ~bit);
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        termios start = pty.slaveTermios();
        setBit(start, CSTOPB, !c.twoStop);
        setBit(start, PARODD, !c.oddBit);
        setBit(start, CMSPAR, !c.stickBit);
        ASSERT_TRUE(pty.setSlaveTermios(start));

        unit.word_length = ft::Bits8;
        unit.stop_bits = c.stopBits;
        unit.parity = c.parity;
        EXPECT_EQ(unit.ApplyFTDataCharacteristics(), ft::Ok) << messages();

        const termios line = pty.slaveTermios();
        EXPECT_EQ((line.c_cflag & CSTOPB) != 0, c.twoStop);
        EXPECT_EQ((line.c_cflag & PARODD) != 0, c.oddBit);
        EXPECT_EQ((line.c_cflag & CMSPAR) != 0, c.stickBit);
    }
#endif
}

TEST_F(SerialPortDriverTest, BadSettingsAreRefusedAndChangeNothing)
{
    openPty();
    // The line's settings are there to compare on a terminal only.
#ifndef Q_OS_WIN
    const termios before = pty.slaveTermios();
#endif

    // Every bad request also carries good values (two stop bits, odd parity)
    // that must not be applied on their own.
    const struct {
        std::uint8_t wordLength, stopBits, parity;
    } cases[] = {
        {6, ft::StopBits2, ft::ParityOdd},
        {9, ft::StopBits2, ft::ParityOdd},
        {ft::Bits8, 1, ft::ParityOdd},
        {ft::Bits8, 3, ft::ParityOdd},
        {ft::Bits8, ft::StopBits2, 5},
        {ft::Bits8, ft::StopBits2, 0xff},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.wordLength) << "/" << int(c.stopBits) << "/"
                                        << int(c.parity));
        prompts.clearBoxes();
        unit.word_length = c.wordLength;
        unit.stop_bits = c.stopBits;
        unit.parity = c.parity;
        EXPECT_EQ(unit.ApplyFTDataCharacteristics(), ft::InvalidParameter);
        EXPECT_EQ(prompts.details,
                  QStringList{QStringLiteral("FT_SetDataCharacteristics - Invalid parameter...")});
#ifndef Q_OS_WIN
        EXPECT_EQ(pty.slaveTermios().c_cflag, before.c_cflag);
#endif
    }

    prompts.clearBoxes();
    unit.baud_rate = 0;
    EXPECT_EQ(unit.ApplyFTBaudRate(), ft::InvalidBaudRate);
    EXPECT_EQ(prompts.details, QStringList{QStringLiteral("FT_SetBaudRate - Invalid baud rate...")});
#ifndef Q_OS_WIN
    const termios after = pty.slaveTermios();
    EXPECT_EQ(::cfgetospeed(&after), ::cfgetospeed(&before));
#endif
}

TEST_F(SerialPortDriverTest, FailedOpensAreReportedAndKeepTheOpenDevice)
{
    const QString missing = QStringLiteral("/dev/pts/no-such-terminal");
    driver.addExplicitPort(missing);
    openPty();
    const FtHandle open = unit.device_handle;

    const struct {
        QString serial;
        FtStatus status;
        QString message;
    } cases[] = {
        {QStringLiteral("FT-NO-SUCH-SERIAL"), ft::DeviceNotFound,
         QStringLiteral("Open_USB_Device_By_Serial_Number - Device not found...")},
        {missing, ft::DeviceNotFound,
         QStringLiteral("Open_USB_Device_By_Serial_Number - Device not found...")},
        {pty.slavePath(), ft::DeviceNotOpened,  // busy: already open
         QStringLiteral("Open_USB_Device_By_Serial_Number - Device not opened...")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.serial.toStdString());
        prompts.clearBoxes();
        EXPECT_EQ(unit.Open_USB_Device_By_Serial_Number(c.serial), c.status);
        EXPECT_EQ(prompts.details, QStringList{c.message});
        EXPECT_EQ(unit.device_handle, open);
    }

    send("still here");
    EXPECT_EQ(pty.readMaster(10), QByteArray("still here"));
}

TEST_F(SerialPortDriverTest, CallsWithoutAnOpenDeviceReportInvalidHandle)
{
    unit.baud_rate = 115200;
    unit.word_length = ft::Bits8;
    const struct {
        QString label;
        std::function<void()> call;
    } calls[] = {
        {QStringLiteral("FT_Write"), [&] { send("ping"); }},
        {QStringLiteral("FT_Read"), [&] { unit.ReadFTDevice(); }},
        {QStringLiteral("FT_GetQueueStatus"), [&] { unit.QueryFTQueueStatus(); }},
        {QStringLiteral("FT_SetBaudRate"), [&] { unit.ApplyFTBaudRate(); }},
        {QStringLiteral("FT_SetDataCharacteristics"), [&] { unit.ApplyFTDataCharacteristics(); }},
        {QStringLiteral("FT_Purge RX"), [&] { unit.PurgeFTReceive(); }},
        {QStringLiteral("FT_Purge TX"), [&] { unit.PurgeFTTransmit(); }},
        {QStringLiteral("FT_Close"), [&] { unit.CloseFTDevice(); }},
    };
    for (const bool wasOpened : {false, true}) {
        SCOPED_TRACE(wasOpened ? "closed" : "never opened");
        if (wasOpened) {
            openPty();
            ASSERT_EQ(unit.CloseFTDevice(), ft::Ok) << messages();
        }
        for (const auto &c : calls) {
            SCOPED_TRACE(c.label.toStdString());
            prompts.clearBoxes();
            c.call();
            EXPECT_EQ(prompts.details, QStringList{c.label + QStringLiteral(" - Invalid handle...")});
        }
    }

    // Closing gave the port back: it opens again, under a new handle.
    const FtHandle closed = unit.device_handle;
    openPty();
    EXPECT_NE(unit.device_handle, closed);
    send("again");
    EXPECT_EQ(pty.readMaster(5), QByteArray("again"));
}

// Closing the master end hangs the line up, as unplugging the pedal does; each
// call finds that out on its own, and the handle still closes cleanly.
TEST(SerialPortDriverHangUp, CallsReportAnIoError)
{
    const struct {
        QString label;
        std::function<void(D2XXUnit &)> call;
    } calls[] = {
        {QStringLiteral("FT_GetQueueStatus"), [](D2XXUnit &u) { u.QueryFTQueueStatus(); }},
        {QStringLiteral("FT_Read"), [](D2XXUnit &u) { u.ReadFTDevice(); }},
        {QStringLiteral("FT_Write"), [](D2XXUnit &u) { u.WriteFTDevice(8); }},
        {QStringLiteral("FT_SetBaudRate"),
         [](D2XXUnit &u) {
             u.baud_rate = 57600;
             u.ApplyFTBaudRate();
         }},
    };
    for (const auto &c : calls) {
        SCOPED_TRACE(c.label.toStdString());
        PtyPair pty;
        ASSERT_TRUE(pty.isOpen()) << pty.error().toStdString();
        SerialPortDriver driver;
        driver.addExplicitPort(pty.slavePath());
        ScriptedPrompts prompts;
        D2XXUnit unit(driver, prompts);
        ASSERT_EQ(unit.Open_USB_Device_By_Serial_Number(pty.slavePath()), ft::Ok);

        pty.closeMaster();
        c.call(unit);
        EXPECT_EQ(prompts.details, QStringList{c.label + QStringLiteral(" - General IO error...")});

        prompts.clearBoxes();
        EXPECT_EQ(unit.CloseFTDevice(), ft::Ok);
        EXPECT_TRUE(prompts.messages.isEmpty());
    }
}
