// D2XXUnit on top of D2xxLibraryDriver, with the driver loading the stand-in
// D2XX library (tests/standin/fake_ftd2xx.c) across a real library boundary.
// The test reaches the stand-in's control functions through its own QLibrary
// on the same file, i.e. the same loaded instance the driver calls.

#include "device/D2XXUnit.h"
#include "device/D2xxLibraryDriver.h"

#include "FakeFtd2xx.h"
#include "ScriptedPrompts.h"

#include <QByteArray>
#include <QDir>
#include <QLibrary>
#include <algorithm>
#include <functional>
#include <type_traits>
#include <gtest/gtest.h>
#include <vector>

#if defined(Q_OS_WIN)
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <qt_windows.h>
#endif

namespace {

const QString kFakeLibrary = QStringLiteral(SOMBRANT_FAKE_FTD2XX_PATH);


// Restores one environment variable when it goes out of scope.
class EnvGuard {
public:
    explicit EnvGuard(const char *name)
        : m_name(name), m_wasSet(qEnvironmentVariableIsSet(name)), m_value(qgetenv(name))
    {
    }
    ~EnvGuard()
    {
        if (m_wasSet)
            qputenv(m_name, m_value);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    bool m_wasSet;
    QByteArray m_value;
};

#if defined(Q_OS_WIN)
// The folder FTDI's installer puts FTD2XX.DLL in.
QString systemFolder()
{
    wchar_t folder[MAX_PATH + 1] = {};
    const UINT size = GetSystemDirectoryW(folder, MAX_PATH + 1);
    return QString::fromWCharArray(folder, int(size));
}
#endif

QString platformLibraryFile()
{
#if defined(Q_OS_WIN)
    return QDir::toNativeSeparators(QDir(systemFolder()).filePath(QStringLiteral("FTD2XX.DLL")));
#elif defined(Q_OS_MACOS)
    return QStringLiteral("libftd2xx.dylib");
#else
    return QStringLiteral("libftd2xx.so");
#endif
}

QByteArray pattern(int size, int seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + seed) & 0xFF);
    return bytes;
}

class D2xxLibraryDriverTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_fake = FakeFtd2xx::instance(&s_loadError); }

    void SetUp() override
    {
        ASSERT_TRUE(s_fake.complete()) << qPrintable(s_loadError);
        fake().reset();
        ASSERT_EQ(addDevice("PDL00001", "Sombrant Pedal A"), 0);
        ASSERT_EQ(addDevice("PDL00002", "Sombrant Pedal B"), 1);
        QString error;
        ASSERT_TRUE(driver.load(&error)) << qPrintable(error);
    }

    static const FakeFtd2xx &fake() { return s_fake; }

    static int addDevice(const QByteArray &serial, const QByteArray &description)
    {
        return fake().addDevice(serial.constData(), description.constData(),
                                size_t(serial.size()), size_t(description.size()));
    }
    static unsigned long long lastArg(const char *function, int position)
    {
        return fake().lastArg(function, position);
    }
    static QByteArray takeTx(int device)
    {
        QByteArray bytes(2 * D2XXUnit::BufferSize, '\0');
        const size_t n = fake().takeTx(device, bytes.data(), size_t(bytes.size()));
        bytes.truncate(int(std::min<size_t>(n, size_t(bytes.size()))));
        return bytes;
    }
    static QByteArray lastOpenArg()
    {
        QByteArray bytes(256, '\0');
        bytes.truncate(int(fake().lastOpenArg(bytes.data(), size_t(bytes.size()))));
        return bytes;
    }
    static FtHandle handleOf(int device)
    {
        return reinterpret_cast<FtHandle>(fake().deviceHandle(device));
    }
    QByteArray inputBytes(int from, int to) const
    {
        return QByteArray(reinterpret_cast<const char *>(unit.input_buffer.data()) + from,
                          to - from);
    }

    // Opens device 1 ("PDL00002") and leaves no message behind.
    void openSecondDevice()
    {
        ASSERT_EQ(unit.Open_USB_Device_By_Serial_Number(QStringLiteral("PDL00002")), ft::Ok);
        ASSERT_NE(unit.device_handle, FtHandle(0));
        ASSERT_TRUE(prompts.messages.isEmpty()) << qPrintable(prompts.messages.join('\n'));
    }

    D2xxLibraryDriver driver{kFakeLibrary};
    ScriptedPrompts prompts;
    D2XXUnit unit{driver, prompts};

private:
    static inline FakeFtd2xx s_fake;
    static inline QString s_loadError;
};

TEST_F(D2xxLibraryDriverTest, CountsDevicesWithTheNumberOnlyFlag)
{
    EXPECT_EQ(driver.driverName(), QStringLiteral("D2XX library"));
    EXPECT_FALSE(driver.isSimulated());

    EXPECT_EQ(unit.GetFTDeviceCount(), ft::Ok);
    EXPECT_EQ(unit.device_count, 2u);
    EXPECT_NE(lastArg("FT_ListDevices", 0), 0u);  // the address of the count
    EXPECT_EQ(lastArg("FT_ListDevices", 1), 0u);
    EXPECT_EQ(lastArg("FT_ListDevices", 2), 0x80000000u);
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(D2xxLibraryDriverTest, ListsSerialNumbersAndDescriptionsByIndex)
{
    struct Case {
        bool description;
        std::uint32_t index;
        QByteArray expected;
        unsigned long long flags;
    };
    const Case cases[] = {
        {false, 1, "PDL00002", 0x40000001u},
        {true, 1, "Sombrant Pedal B", 0x40000002u},
        {false, 0, "PDL00001", 0x40000001u},
        {true, 0, "Sombrant Pedal A", 0x40000002u},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.expected.constData());
        const FtStatus status = c.description ? unit.GetFTDeviceDescription(c.index)
                                              : unit.GetFTDeviceSerialNo(c.index);
        EXPECT_EQ(status, ft::Ok);
        EXPECT_EQ(unit.FT_Device_String, c.expected);
        EXPECT_EQ(lastArg("FT_ListDevices", 0), c.index);  // the index as the pointer value
        EXPECT_NE(lastArg("FT_ListDevices", 1), 0u);       // the caller's buffer
        EXPECT_EQ(lastArg("FT_ListDevices", 2), c.flags);
    }
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(D2xxLibraryDriverTest, ListedStringsUpToTheWholeBufferAreTakenWhole)
{
    // 64 bytes leave the library no room for a zero byte.
    for (const int length : {1, 63, 64}) {
        SCOPED_TRACE(length);
        const QByteArray serial = pattern(length, 'A').replace('\0', 'S');
        const QByteArray description = QByteArray(length, 'd');
        const int device = addDevice(serial, description);
        ASSERT_GE(device, 0);

        ASSERT_EQ(unit.GetFTDeviceSerialNo(std::uint32_t(device)), ft::Ok);
        EXPECT_EQ(unit.FT_Device_String, serial);
        ASSERT_EQ(unit.GetFTDeviceDescription(std::uint32_t(device)), ft::Ok);
        EXPECT_EQ(unit.FT_Device_String, description);
    }
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(D2xxLibraryDriverTest, OpensBySerialNumberAndKeepsTheWholePointerHandle)
{
    openSecondDevice();

    EXPECT_EQ(lastOpenArg(), QByteArray("PDL00002", 9));  // with its zero byte
    EXPECT_EQ(lastArg("FT_OpenEx", 1), 1u);               // open by serial number
    EXPECT_EQ(unit.device_handle, handleOf(1));
    EXPECT_EQ(handleOf(0), FtHandle(0));
    if constexpr (sizeof(void *) == 8) {
        // The stand-in's handles point into its own data, far above 4 GiB: a
        // driver that cut them to 32 bits fails here and in every later call.
        EXPECT_GT(unit.device_handle, FtHandle(0xFFFFFFFFu));
    }

    // An unknown serial leaves the handle alone.
    const FtHandle opened = unit.device_handle;
    EXPECT_EQ(unit.Open_USB_Device_By_Serial_Number(QStringLiteral("NOPE")), ft::DeviceNotFound);
    EXPECT_EQ(prompts.details,
              QStringList{"Open_USB_Device_By_Serial_Number - Device not found..."});
    EXPECT_EQ(unit.device_handle, opened);
}

TEST_F(D2xxLibraryDriverTest, OpenHandsTheLibraryAtMost49Characters)
{
    QByteArray longSerial = "SOMBRANT-";
    while (longSerial.size() < 60)
        longSerial += char('0' + longSerial.size() % 10);
    const QByteArray first49 = longSerial.left(49);
    const int device = addDevice(first49, "Long serial");
    ASSERT_GE(device, 0);

    EXPECT_EQ(unit.Open_USB_Device_By_Serial_Number(QString::fromLatin1(longSerial)), ft::Ok);
    EXPECT_EQ(lastOpenArg(), first49 + '\0');
    EXPECT_EQ(unit.device_handle, handleOf(device));
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(D2xxLibraryDriverTest, CloseReleasesTheDeviceOnce)
{
    openSecondDevice();
    const FtHandle handle = unit.device_handle;

    EXPECT_EQ(unit.CloseFTDevice(), ft::Ok);
    EXPECT_EQ(lastArg("FT_Close", 0), handle);
    EXPECT_EQ(handleOf(1), FtHandle(0));
    EXPECT_TRUE(prompts.messages.isEmpty());

    EXPECT_EQ(unit.CloseFTDevice(), ft::InvalidHandle);
    EXPECT_EQ(prompts.details, QStringList{"FT_Close - Invalid handle..."});
}

TEST_F(D2xxLibraryDriverTest, CallsWithoutAnOpenDeviceReportAnInvalidHandle)
{
    struct Operation {
        const char *function;
        std::function<void(D2XXUnit &)> run;
        QString message;
    };
    const std::vector<Operation> operations = {
        {"FT_Close", [](D2XXUnit &u) { u.CloseFTDevice(); }, "FT_Close - Invalid handle..."},
        {"FT_Read", [](D2XXUnit &u) { EXPECT_EQ(u.ReadFTDevice(), 0u); },
         "FT_Read - Invalid handle..."},
        {"FT_Write", [](D2XXUnit &u) { u.WriteFTDevice(4); }, "FT_Write - Invalid handle..."},
        {"FT_SetBaudRate", [](D2XXUnit &u) { u.ApplyFTBaudRate(); },
         "FT_SetBaudRate - Invalid handle..."},
        {"FT_SetDataCharacteristics", [](D2XXUnit &u) { u.ApplyFTDataCharacteristics(); },
         "FT_SetDataCharacteristics - Invalid handle..."},
        {"FT_Purge", [](D2XXUnit &u) { u.PurgeFTReceive(); }, "FT_Purge RX - Invalid handle..."},
        {"FT_Purge", [](D2XXUnit &u) { u.PurgeFTTransmit(); }, "FT_Purge TX - Invalid handle..."},
        {"FT_GetQueueStatus", [](D2XXUnit &u) { u.QueryFTQueueStatus(); },
         "FT_GetQueueStatus - Invalid handle..."},
    };
    unit.baud_rate = 31250;
    unit.word_length = ft::Bits8;
    unit.stop_bits = ft::StopBits1;
    unit.parity = ft::ParityNone;

    auto runAll = [&](const char *state) {
        for (const Operation &op : operations) {
            SCOPED_TRACE(std::string(state) + ": " + op.message.toStdString());
            prompts.clearBoxes();
            op.run(unit);
            EXPECT_EQ(prompts.details, QStringList{op.message});
            EXPECT_EQ(lastArg(op.function, 0), unit.device_handle);
        }
    };

    runAll("never opened");  // handle 0

    prompts.clearBoxes();
    openSecondDevice();
    ASSERT_EQ(unit.CloseFTDevice(), ft::Ok);
    runAll("closed");  // the old handle, still in place
    EXPECT_TRUE(takeTx(1).isEmpty());
}

TEST_F(D2xxLibraryDriverTest, WritesTheFirstBytesOfTheOutputBuffer)
{
    openSecondDevice();
    const QByteArray bytes = pattern(D2XXUnit::BufferSize, 1);
    std::copy(bytes.begin(), bytes.end(), unit.output_buffer.begin());

    unit.WriteFTDevice(5);
    EXPECT_EQ(unit.ft_status, ft::Ok);
    EXPECT_EQ(lastArg("FT_Write", 0), unit.device_handle);
    EXPECT_EQ(lastArg("FT_Write", 2), 5u);
    EXPECT_EQ(takeTx(1), bytes.left(5));
    EXPECT_TRUE(takeTx(0).isEmpty());

    // A count beyond the buffer sends the buffer.
    unit.WriteFTDevice(70000);
    EXPECT_EQ(lastArg("FT_Write", 2), std::uint32_t(D2XXUnit::BufferSize));
    EXPECT_EQ(takeTx(1), bytes);
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(D2xxLibraryDriverTest, ReadWithNothingWaitingReadsNothingQuietly)
{
    openSecondDevice();
    ASSERT_EQ(fake().pushRx(0, "other", 5), 0);  // another device's data stays there

    EXPECT_EQ(unit.ReadFTDevice(), 0u);
    EXPECT_EQ(unit.ft_status, ft::Ok);
    EXPECT_EQ(fake().callCount("FT_Read"), 1u);
    EXPECT_EQ(lastArg("FT_Read", 2), 0u);
    EXPECT_EQ(fake().rxPending(0), 5u);
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(D2xxLibraryDriverTest, ShortReadAfterLongReadLeavesTheOlderTailInPlace)
{
    openSecondDevice();
    const QByteArray first = pattern(300, 3);
    const QByteArray second = QByteArray("\xF0\xF1\xF2\xF3\xF4\xF5\xF6\xF7\xF8\xF9", 10);

    ASSERT_EQ(fake().pushRx(1, first.constData(), size_t(first.size())), 0);
    EXPECT_EQ(unit.ReadFTDevice(), 300u);
    EXPECT_EQ(lastArg("FT_Read", 0), unit.device_handle);
    EXPECT_EQ(lastArg("FT_Read", 2), 300u);

    ASSERT_EQ(fake().pushRx(1, second.constData(), size_t(second.size())), 0);
    EXPECT_EQ(unit.ReadFTDevice(), 10u);
    EXPECT_EQ(inputBytes(0, 10), second);
    EXPECT_EQ(inputBytes(10, 300), first.mid(10));
    EXPECT_EQ(fake().rxPending(1), 0u);
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(D2xxLibraryDriverTest, ReadCountsWhatTheLibraryReturnedNotWhatWasAsked)
{
    openSecondDevice();
    const QByteArray waiting = pattern(300, 9);
    ASSERT_EQ(fake().pushRx(1, waiting.constData(), size_t(waiting.size())), 0);
    fake().limitNextRead(120);  // the read times out with part of the data

    EXPECT_EQ(unit.ReadFTDevice(), 120u);
    EXPECT_EQ(lastArg("FT_Read", 2), 300u);
    EXPECT_EQ(inputBytes(0, 120), waiting.left(120));
    EXPECT_EQ(unit.ReadFTDevice(), 180u);
    EXPECT_EQ(inputBytes(0, 180), waiting.mid(120));
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(D2xxLibraryDriverTest, QueueStatusAndReadsStopAtTheBuffer)
{
    openSecondDevice();
    const QByteArray waiting = pattern(70000, 5);
    ASSERT_EQ(fake().pushRx(1, waiting.constData(), size_t(waiting.size())), 0);

    EXPECT_EQ(unit.QueryFTQueueStatus(), ft::Ok);
    EXPECT_EQ(lastArg("FT_GetQueueStatus", 0), unit.device_handle);
    EXPECT_EQ(unit.rx_queue_count, 70000u);

    EXPECT_EQ(unit.ReadFTDevice(), std::uint32_t(D2XXUnit::BufferSize));
    EXPECT_EQ(lastArg("FT_Read", 2), std::uint32_t(D2XXUnit::BufferSize));
    EXPECT_EQ(inputBytes(0, D2XXUnit::BufferSize), waiting.left(D2XXUnit::BufferSize));
    EXPECT_EQ(fake().rxPending(1), size_t(70000 - D2XXUnit::BufferSize));

    EXPECT_EQ(unit.QueryFTQueueStatus(), ft::Ok);
    EXPECT_EQ(unit.rx_queue_count, std::uint32_t(70000 - D2XXUnit::BufferSize));
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(D2xxLibraryDriverTest, AppliesBaudRateAndDataCharacteristics)
{
    openSecondDevice();
    unit.baud_rate = 31250;
    unit.word_length = ft::Bits8;
    unit.stop_bits = ft::StopBits2;
    unit.parity = ft::ParityMark;

    EXPECT_EQ(unit.ApplyFTBaudRate(), ft::Ok);
    EXPECT_EQ(lastArg("FT_SetBaudRate", 0), unit.device_handle);
    EXPECT_EQ(lastArg("FT_SetBaudRate", 1), 31250u);

    EXPECT_EQ(unit.ApplyFTDataCharacteristics(), ft::Ok);
    EXPECT_EQ(lastArg("FT_SetDataCharacteristics", 0), unit.device_handle);
    EXPECT_EQ(lastArg("FT_SetDataCharacteristics", 1), 8u);
    EXPECT_EQ(lastArg("FT_SetDataCharacteristics", 2), 2u);
    EXPECT_EQ(lastArg("FT_SetDataCharacteristics", 3), 3u);
    EXPECT_TRUE(prompts.messages.isEmpty());

    // Values the library refuses come back as its status.
    unit.baud_rate = 0;
    unit.word_length = 9;
    EXPECT_EQ(unit.ApplyFTBaudRate(), ft::InvalidBaudRate);
    EXPECT_EQ(unit.ApplyFTDataCharacteristics(), ft::InvalidParameter);
    EXPECT_EQ(prompts.details, (QStringList{"FT_SetBaudRate - Invalid baud rate...",
                                             "FT_SetDataCharacteristics - Invalid parameter..."}));
}

TEST_F(D2xxLibraryDriverTest, PurgesClearOnlyTheirOwnSide)
{
    struct Case {
        const char *name;
        FtStatus (D2XXUnit::*purge)();
        unsigned long long mask;
        size_t rxLeft;
        int txLeft;
    };
    const Case cases[] = {
        {"receive", &D2XXUnit::PurgeFTReceive, 1u, 0, 3},
        // Writes reach the stand-in's device at once, so its record of them stays.
        {"transmit", &D2XXUnit::PurgeFTTransmit, 2u, 5, 3},
    };
    openSecondDevice();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        unit.ReadFTDevice();  // start with both sides empty
        takeTx(1);
        ASSERT_EQ(fake().pushRx(1, "12345", 5), 0);
        unit.WriteFTDevice(3);

        EXPECT_EQ((unit.*c.purge)(), ft::Ok);
        EXPECT_EQ(lastArg("FT_Purge", 0), unit.device_handle);
        EXPECT_EQ(lastArg("FT_Purge", 1), c.mask);
        EXPECT_EQ(fake().rxPending(1), c.rxLeft);
        EXPECT_EQ(takeTx(1).size(), c.txLeft);
    }
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(D2xxLibraryDriverTest, FailingCallsReportLabelAndStatusAndChangeNothing)
{
    struct Case {
        const char *function;
        std::function<void(D2XXUnit &)> run;
        unsigned int status;
        QString message;
    };
    const std::vector<Case> cases = {
        {"FT_ListDevices", [](D2XXUnit &u) { u.GetFTDeviceCount(); }, 4,
         "GetFTDeviceCount - General IO error..."},
        {"FT_ListDevices", [](D2XXUnit &u) { u.GetFTDeviceSerialNo(0); }, 2,
         "GetFTDeviceSerialNo - Device not found..."},
        {"FT_ListDevices", [](D2XXUnit &u) { u.GetFTDeviceDescription(0); }, 5,
         "GetFTDeviceDescription - Insufficient resources..."},
        {"FT_OpenEx", [](D2XXUnit &u) { u.Open_USB_Device_By_Serial_Number("PDL00001"); }, 3,
         "Open_USB_Device_By_Serial_Number - Device not opened..."},
        {"FT_Read", [](D2XXUnit &u) { EXPECT_EQ(u.ReadFTDevice(), 0u); }, 3,
         "FT_Read - Device not opened..."},
        {"FT_Write", [](D2XXUnit &u) { u.WriteFTDevice(1); }, 10, "FT_Write - Failed to write..."},
        {"FT_SetBaudRate", [](D2XXUnit &u) { u.ApplyFTBaudRate(); }, 7,
         "FT_SetBaudRate - Invalid baud rate..."},
        {"FT_SetDataCharacteristics", [](D2XXUnit &u) { u.ApplyFTDataCharacteristics(); }, 6,
         "FT_SetDataCharacteristics - Invalid parameter..."},
        {"FT_Purge", [](D2XXUnit &u) { u.PurgeFTReceive(); }, 18,
         "FT_Purge RX - Unknown error (status 18)"},
        {"FT_Purge", [](D2XXUnit &u) { u.PurgeFTTransmit(); }, 16,
         "FT_Purge TX - Invalid arguments..."},
        // All 32 bits of the status cross the boundary.
        {"FT_GetQueueStatus", [](D2XXUnit &u) { u.QueryFTQueueStatus(); }, 0xFFFFFFFFu,
         "FT_GetQueueStatus - Unknown error (status 4294967295)"},
        {"FT_Close", [](D2XXUnit &u) { u.CloseFTDevice(); }, 4, "FT_Close - General IO error..."},
    };

    openSecondDevice();
    ASSERT_EQ(unit.GetFTDeviceCount(), ft::Ok);
    ASSERT_EQ(unit.GetFTDeviceSerialNo(1), ft::Ok);
    ASSERT_EQ(fake().pushRx(1, "abc", 3), 0);
    ASSERT_EQ(unit.QueryFTQueueStatus(), ft::Ok);
    unit.baud_rate = 31250;
    unit.word_length = ft::Bits8;

    for (const Case &c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        prompts.clearBoxes();
        const FtHandle handle = unit.device_handle;
        const QByteArray listed = unit.FT_Device_String;
        const std::uint32_t count = unit.device_count;
        const std::uint32_t queued = unit.rx_queue_count;
        const unsigned int callsBefore = fake().callCount(c.function);

        ASSERT_EQ(fake().failNext(c.function, c.status), 0);
        c.run(unit);

        EXPECT_EQ(fake().callCount(c.function), callsBefore + 1);
        EXPECT_EQ(prompts.details, QStringList{c.message});
        EXPECT_EQ(unit.device_handle, handle);
        EXPECT_EQ(unit.FT_Device_String, listed);
        EXPECT_EQ(unit.device_count, count);
        EXPECT_EQ(unit.rx_queue_count, queued);
    }
    // The injected failures changed no device state either.
    EXPECT_EQ(fake().rxPending(1), 3u);
    EXPECT_TRUE(takeTx(1).isEmpty());
    EXPECT_EQ(handleOf(1), unit.device_handle);
}

// "General IO error" or "Device not found" on the open handle: the device
// has gone. It is reported once; later calls on it are not made and fail
// quietly, until it is closed.
TEST_F(D2xxLibraryDriverTest, AGoneDeviceIsReportedOnceUntilClosed)
{
    for (const unsigned int status : {4u, 2u}) {
        SCOPED_TRACE(status);
        openSecondDevice();
        prompts.clearBoxes();
        int told = 0;
        unit.onDeviceGone = [&] { ++told; };
        ASSERT_EQ(fake().failNext("FT_Write", status), 0);
        unit.WriteFTDevice(2);
        const unsigned int queries = fake().callCount("FT_GetQueueStatus");
        EXPECT_EQ(unit.QueryFTQueueStatus(), ft::IoError);
        EXPECT_EQ(unit.ReadFTDevice(), 0u);
        EXPECT_EQ(unit.PurgeFTReceive(), ft::IoError);
        EXPECT_EQ(fake().callCount("FT_GetQueueStatus"), queries) << "not asked again";
        EXPECT_EQ(prompts.details, QStringList{QStringLiteral("FT_Write") + D2XXUnit::statusText(status)});
        EXPECT_TRUE(unit.device_gone);
        EXPECT_EQ(told, 1);
        EXPECT_EQ(unit.CloseFTDevice(), ft::Ok);
        EXPECT_FALSE(unit.device_gone);
        unit.onDeviceGone = nullptr;
        prompts.clearBoxes();
    }
}

TEST(D2xxStatusText, ReadsAsUsersKnowIt)
{
    const std::vector<std::pair<FtStatus, QString>> cases = {
        {0, ""},
        {1, " - Invalid handle..."},
        {2, " - Device not found..."},
        {3, " - Device not opened..."},
        {4, " - General IO error..."},
        {5, " - Insufficient resources..."},
        {6, " - Invalid parameter..."},
        {7, " - Invalid baud rate..."},
        {8, " Device not opened for erase..."},
        {9, " Device not opened for write..."},
        {10, " - Failed to write..."},
        {11, " - EEPROM read failed..."},
        {12, " - EEPROM write failed..."},
        {13, " - EEPROM erase failed..."},
        {14, " - EEPROM not present..."},
        {15, " - EEPROM not programmed..."},
        {16, " - Invalid arguments..."},
        {17, " - Other error ..."},
        {18, " - Unknown error (status 18)"},
        {1000, " - Unknown error (status 1000)"},
    };
    for (const auto &[status, text] : cases)
        EXPECT_EQ(D2XXUnit::statusText(status), text) << "status " << status;
}

// The words for a library that is not there: what is missing, where to get
// it, and what the editor does without it.
QString notInstalled(const QString &file)
{
    return QStringLiteral("Cannot load %1: the D2XX library is not installed. FTDI's D2XX drivers "
                          "page has it: https://ftdichip.com/drivers/d2xx-drivers/. Without it the "
                          "editor uses the serial port of the system's FTDI driver.")
        .arg(QDir::toNativeSeparators(file));
}

TEST(D2xxLibraryDriverLoad, AMissingLibraryFailsWithItsNameAndEveryCallFails)
{
    const QString missing = QDir::temp().filePath(QStringLiteral("no-such-dir/libftd2xx.so"));
    D2xxLibraryDriver driver(missing);
    QString error;
    EXPECT_FALSE(driver.load(&error));
    EXPECT_FALSE(driver.isLoaded());
    EXPECT_EQ(error, notInstalled(missing));

    // Unloaded, the unit gets status 18 and reports it; nothing crashes.
    ScriptedPrompts prompts;
    D2XXUnit unit(driver, prompts);
    EXPECT_EQ(unit.GetFTDeviceCount(), ft::OtherError);
    EXPECT_EQ(unit.Open_USB_Device_By_Serial_Number(QStringLiteral("PDL00001")), ft::OtherError);
    EXPECT_EQ(unit.ReadFTDevice(), 0u);
    EXPECT_EQ(unit.device_handle, FtHandle(0));
    EXPECT_EQ(prompts.details,
              (QStringList{"GetFTDeviceCount - Unknown error (status 18)",
                           "Open_USB_Device_By_Serial_Number - Unknown error (status 18)",
                           "FT_Read - Unknown error (status 18)"}));
}

// A library named by a bare name that is found nowhere: the system's words
// say so, and the same advice follows.
TEST(D2xxLibraryDriverLoad, ABareNameFoundNowhereGivesTheSystemsWordsAndTheAdvice)
{
    D2xxLibraryDriver driver(QStringLiteral("sombrant-no-such-d2xx-library"));
    QString error;
    EXPECT_FALSE(driver.load(&error));
    const QString prefix = QStringLiteral("Cannot load sombrant-no-such-d2xx-library: ");
    EXPECT_TRUE(error.startsWith(prefix)) << qPrintable(error);
    EXPECT_FALSE(error.contains("not installed")) << qPrintable(error);
    EXPECT_TRUE(error.endsWith(". FTDI's D2XX drivers page has it: https://ftdichip.com/drivers/d2xx-drivers/. "
                               "Without it the editor uses the serial port of the system's FTDI driver."))
        << qPrintable(error);
    EXPECT_GT(error.indexOf(". FTDI's"), prefix.size()) << "the system's words come between";
}

#if defined(Q_OS_LINUX) || defined(Q_OS_WIN)
TEST(D2xxLibraryDriverLoad, ALibraryWithoutTheFunctionsIsRefused)
{
    // Any shared library that is not a D2XX one will do; the C maths library
    // and the Windows kernel's are always there.
#if defined(Q_OS_WIN)
    const QString other = QStringLiteral("kernel32.dll");
#else
    const QString other = QStringLiteral("libm.so.6");
#endif
    D2xxLibraryDriver driver(other);
    QString error;
    EXPECT_FALSE(driver.load(&error));
    EXPECT_FALSE(driver.isLoaded());
    EXPECT_EQ(error, other + QStringLiteral(" lacks FT_ListDevices"));
}
#endif

TEST(D2xxLibraryDriverLoad, DefaultLibraryFileHonoursTheEnvironment)
{
    const char *variable = "SOMBRANT_FTD2XX_LIBRARY";
    EnvGuard guard(variable);
    struct Case {
        const char *value;  // nullptr: unset
        QString expected;
    };
    const Case cases[] = {
        {nullptr, platformLibraryFile()},
        {"", platformLibraryFile()},
        {"/opt/ftdi/libftd2xx.so.1.4.27", "/opt/ftdi/libftd2xx.so.1.4.27"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.value ? c.value : "(unset)");
        if (c.value)
            qputenv(variable, c.value);
        else
            qunsetenv(variable);
        EXPECT_EQ(D2xxLibraryDriver::defaultLibraryFile(), c.expected);
    }

    // A default-constructed driver loads what the variable names.
    qputenv(variable, kFakeLibrary.toLocal8Bit());
    D2xxLibraryDriver driver;
    EXPECT_EQ(driver.libraryFile(), kFakeLibrary);
    QString error;
    EXPECT_TRUE(driver.load(&error)) << qPrintable(error);
}

#if defined(Q_OS_WIN)
// The stand-in, copied under the real library's name, found by its full
// path and used: the nine functions cross the DLL boundary with the real
// calling convention and widths, and the listing comes from the copy.
TEST(D2xxLibraryDriverLoad, TheStandInUnderTheRealNameIsFoundAndUsed)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString copy = QDir::toNativeSeparators(dir.filePath(QStringLiteral("FTD2XX.DLL")));
    ASSERT_TRUE(QFile::copy(kFakeLibrary, copy));
    EnvGuard guard("SOMBRANT_FTD2XX_LIBRARY");
    qputenv("SOMBRANT_FTD2XX_LIBRARY", copy.toLocal8Bit());

    D2xxLibraryDriver driver;
    QString error;
    ASSERT_TRUE(driver.load(&error)) << qPrintable(error);
    QLibrary library(copy);
    const FakeFtd2xx fake = FakeFtd2xx::resolveIn(library);
    ASSERT_TRUE(fake.complete()) << qPrintable(library.errorString());
    fake.reset();
    ASSERT_EQ(fake.add("PDL00077", "Sombrant Pedal"), 0);

    std::uint32_t count = 0;
    EXPECT_EQ(driver.listDeviceCount(count), ft::Ok);
    EXPECT_EQ(count, 1u);
    char serial[65] = {};
    EXPECT_EQ(driver.listSerialNumber(0, serial), ft::Ok);
    EXPECT_STREQ(serial, "PDL00077");
    FtHandle handle = 0;
    EXPECT_EQ(driver.openBySerialNumber("PDL00077", handle), ft::Ok);
    EXPECT_EQ(handle, FtHandle(reinterpret_cast<std::uintptr_t>(fake.deviceHandle(0))));
    EXPECT_EQ(driver.setBaudRate(handle, 115200), ft::Ok);
    EXPECT_EQ(fake.lastArg("FT_SetBaudRate", 1), 115200u);
    EXPECT_EQ(driver.close(handle), ft::Ok);
    EXPECT_EQ(fake.callCount("FT_ListDevices"), 2u);
}

// By default the library is looked for in the system folder alone: one in the
// current folder is not loaded, and with none in the system folder the user
// is told it is not installed, where to get it and what happens without it.
TEST(D2xxLibraryDriverLoad, TheDefaultLooksInTheSystemFolderAloneAndSaysWhenItIsMissing)
{
    const QString installed = platformLibraryFile();
    if (QFileInfo::exists(installed))
        GTEST_SKIP() << "a D2XX library is installed in the system folder of this machine";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QFile::copy(kFakeLibrary, dir.filePath(QStringLiteral("FTD2XX.DLL"))));
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    EnvGuard guard("SOMBRANT_FTD2XX_LIBRARY");
    qunsetenv("SOMBRANT_FTD2XX_LIBRARY");

    D2xxLibraryDriver driver;
    QString error;
    const bool loaded = driver.load(&error);
    QDir::setCurrent(before);
    EXPECT_FALSE(loaded) << "the library in the current folder was loaded";
    EXPECT_EQ(driver.libraryFile(), installed);
    EXPECT_EQ(error, notInstalled(installed));
}
#endif

}  // namespace
