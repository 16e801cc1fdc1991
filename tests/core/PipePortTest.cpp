// A pipe named as a port: the serial-port driver opens it through PipePort
// and the D2XX-shaped calls behave as on a serial port. The test plays the
// pedal on the pipe's far end (a named pipe on Windows, a local socket here).

#include "device/D2XXUnit.h"
#include "device/PipePort.h"
#include "device/SerialPortDriver.h"

#include "PipePair.h"
#include "ScriptedPrompts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

namespace {

using namespace std::chrono_literals;

class PipePortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pipe.isOpen()) << pipe.error().toStdString();
        driver.addExplicitPort(pipe.slavePath());
    }

    std::string messages() const { return prompts.messages.join(QStringLiteral(" | ")).toStdString(); }

    void send(const QByteArray &bytes)
    {
        std::copy(bytes.begin(), bytes.end(), unit.output_buffer.begin());
        unit.WriteFTDevice(std::uint32_t(bytes.size()));
    }

    // Polls and reads until `count` bytes have come in (or 5 s pass).
    QByteArray receive(qsizetype count)
    {
        const auto end = std::chrono::steady_clock::now() + 5s;
        QByteArray got;
        while (got.size() < count && std::chrono::steady_clock::now() < end) {
            if (unit.QueryFTQueueStatus() != ft::Ok)
                break;
            if (unit.rx_queue_count > 0) {
                const std::uint32_t n = unit.ReadFTDevice();
                got += QByteArray(reinterpret_cast<const char *>(unit.input_buffer.data()), qsizetype(n));
            } else {
                std::this_thread::sleep_for(1ms);
            }
        }
        return got;
    }

    PipePair pipe;  // outlives the driver
    SerialPortDriver driver;
    ScriptedPrompts prompts;
    D2XXUnit unit{driver, prompts};
};

}  // namespace

TEST_F(PipePortTest, IsListedOpensAndCarriesBytesBothWays)
{
    EXPECT_TRUE(PipePort::isPipeName(pipe.slavePath()));
    ASSERT_EQ(unit.GetFTDeviceCount(), ft::Ok);
    ASSERT_GE(unit.device_count, 1u);
    ASSERT_EQ(unit.GetFTDeviceSerialNo(unit.device_count - 1), ft::Ok);
    EXPECT_EQ(unit.FT_Device_String, pipe.slavePath().toLocal8Bit());
    ASSERT_EQ(unit.GetFTDeviceDescription(unit.device_count - 1), ft::Ok);
    EXPECT_EQ(unit.FT_Device_String, QByteArray("Serial port"));
    QString reason;
    EXPECT_TRUE(SerialPortDriver::probe(pipe.slavePath(), &reason)) << reason.toStdString();

    ASSERT_EQ(unit.Open_USB_Device_By_Serial_Number(pipe.slavePath()), ft::Ok) << messages();
    // The line settings are taken; bad ones are refused as on a serial port.
    unit.baud_rate = 115200;
    unit.word_length = ft::Bits8;
    EXPECT_EQ(unit.ApplyFTBaudRate(), ft::Ok);
    EXPECT_EQ(unit.ApplyFTDataCharacteristics(), ft::Ok);
    unit.word_length = 9;
    EXPECT_EQ(unit.ApplyFTDataCharacteristics(), ft::InvalidParameter);
    unit.baud_rate = 0;
    EXPECT_EQ(unit.ApplyFTBaudRate(), ft::InvalidBaudRate);
    prompts.clearBoxes();

    const QByteArray out("\x00\x01\x7f\x80\xfe\xff pedal", 12);
    send(out);
    EXPECT_EQ(unit.ft_status, ft::Ok);
    EXPECT_EQ(pipe.readMaster(out.size()), out);

    const QByteArray in("\xf0\x0d\x00\x42 sombrant\xff", 14);
    ASSERT_EQ(pipe.writeMaster(in), in.size());
    EXPECT_EQ(receive(in.size()), in);

    // What has arrived is dropped by a receive purge, and only that.
    ASSERT_EQ(pipe.writeMaster("old"), 3);
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (unit.QueryFTQueueStatus() == ft::Ok && unit.rx_queue_count < 3 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(1ms);
    ASSERT_EQ(unit.rx_queue_count, 3u);
    EXPECT_EQ(unit.PurgeFTReceive(), ft::Ok);
    EXPECT_EQ(unit.PurgeFTTransmit(), ft::Ok);
    ASSERT_EQ(pipe.writeMaster("new"), 3);
    EXPECT_EQ(receive(3), "new");
    EXPECT_TRUE(prompts.messages.isEmpty()) << messages();
}

TEST_F(PipePortTest, OpensOnceAtATime)
{
    ASSERT_EQ(unit.Open_USB_Device_By_Serial_Number(pipe.slavePath()), ft::Ok) << messages();
    const FtHandle first = unit.device_handle;
    FtHandle second = 0;
    EXPECT_EQ(driver.openBySerialNumber(pipe.slavePath().toLocal8Bit().constData(), second), ft::DeviceNotOpened);
    EXPECT_EQ(second, FtHandle(0));
    ASSERT_EQ(unit.CloseFTDevice(), ft::Ok);
    EXPECT_EQ(driver.openBySerialNumber(pipe.slavePath().toLocal8Bit().constData(), second), ft::Ok);
    EXPECT_NE(second, first);
    EXPECT_EQ(driver.close(second), ft::Ok);
}

// A pipe nobody serves is a device that is not there; a plain file is no pipe.
TEST(PipePortMissing, IsNotFoundAndTheProbeSaysWhy)
{
    QTemporaryDir dir;
#ifdef Q_OS_WIN
    const QString missing = QStringLiteral("\\\\.\\pipe\\sombrant-no-such-pipe");
#else
    const QString missing = dir.filePath(QStringLiteral("no-such-socket"));
#endif
    SerialPortDriver driver;
    driver.addExplicitPort(missing);
    FtHandle handle = 0;
    EXPECT_EQ(driver.openBySerialNumber(missing.toLocal8Bit().constData(), handle), ft::DeviceNotFound);
    QString reason;
    EXPECT_FALSE(SerialPortDriver::probe(missing, &reason));
    EXPECT_FALSE(reason.isEmpty());

    const QString plain = dir.filePath(QStringLiteral("plain"));
    QFile file(plain);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_FALSE(PipePort::isPipeName(plain));
}

// The far end closing is the device unplugged: each call finds that out on
// its own, and the handle still closes cleanly.
TEST(PipePortHangUp, CallsReportAnIoError)
{
    const struct {
        QString label;
        std::function<void(D2XXUnit &)> call;
    } calls[] = {
        {QStringLiteral("FT_GetQueueStatus"), [](D2XXUnit &u) { u.QueryFTQueueStatus(); }},
        {QStringLiteral("FT_Read"), [](D2XXUnit &u) { u.ReadFTDevice(); }},
        {QStringLiteral("FT_Write"), [](D2XXUnit &u) { u.WriteFTDevice(8); }},
        {QStringLiteral("FT_Purge RX"), [](D2XXUnit &u) { u.PurgeFTReceive(); }},
        {QStringLiteral("FT_SetBaudRate"),
         [](D2XXUnit &u) {
             u.baud_rate = 57600;
             u.ApplyFTBaudRate();
         }},
    };
    for (const auto &c : calls) {
        SCOPED_TRACE(c.label.toStdString());
        PipePair pipe;
        ASSERT_TRUE(pipe.isOpen()) << pipe.error().toStdString();
        SerialPortDriver driver;
        driver.addExplicitPort(pipe.slavePath());
        ScriptedPrompts prompts;
        D2XXUnit unit(driver, prompts);
        ASSERT_EQ(unit.Open_USB_Device_By_Serial_Number(pipe.slavePath()), ft::Ok);
        // The far end has taken the connection before it hangs up.
        unit.output_buffer[0] = 1;
        unit.WriteFTDevice(1);
        ASSERT_EQ(unit.ft_status, ft::Ok);
        ASSERT_EQ(pipe.readMaster(1).size(), 1);

        pipe.closeMaster();
        c.call(unit);
        EXPECT_EQ(prompts.details, QStringList{c.label + QStringLiteral(" - General IO error...")});

        prompts.clearBoxes();
        EXPECT_EQ(unit.CloseFTDevice(), ft::Ok);
        EXPECT_TRUE(prompts.messages.isEmpty());
    }
}
