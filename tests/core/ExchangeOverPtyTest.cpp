// The message exchange through the serial-port driver on a real
// pseudo-terminal (a pipe on Windows), with the test playing the pedal on the
// master side while the code under test waits in its event loop.

#include "PtyPair.h"
#include "QtPrinters.h"
#include "RecordingLog.h"
#include "ScriptedPrompts.h"
#include "ScriptedReplies.h"
#include "app/SystemClock.h"
#include "device/Communication.h"
#include "device/D2XXUnit.h"
#include "device/DeviceConnection.h"
#include "firmware/BootloaderProtocol.h"
#include "device/SerialPortDriver.h"
#include "device/StatusRequest.h"

#include <QElapsedTimer>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

class ExchangeOverPtyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.isOpen()) << pty.error();
        driver.addExplicitPort(pty.slavePath());
        connection.SetSerialDefaults();
        connection.device_serial_number = pty.slavePath();
        // The pedal: whatever the host writes is handed to `answer`, and what
        // it returns goes back down the line.
        pty.setReceiver([this](const QByteArray &bytes) {
            if (answer)
                answer(bytes);
        });
    }
    void reply(const QByteArray &bytes) { pty.writeMaster(bytes); }
    bool connect()
    {
        return connection.ConnectToDevice([](const QString &) {}).opened;
    }

    PtyPair pty;
    ScriptedPrompts prompts;
    RecordingLog log;
    SystemClock clock;
    SerialPortDriver driver;
    D2XXUnit transport{driver, prompts};
    Communication comm{transport, log, prompts, clock};
    DeviceConnection connection{transport, comm, log, prompts};
    StatusRequest status{comm, log, prompts, clock};
    std::function<void(const QByteArray &)> answer;
};

}  // namespace

TEST_F(ExchangeOverPtyTest, StatusRequestReadsAReplySentInTwoParts)
{
    QByteArray received;
    const QByteArray whole = encodeValues(statusValues(0x07));
    answer = [&](const QByteArray &bytes) {
        received += bytes;
        if (received != QByteArray::fromHex("0200"))
            return;
        // Half now, half after a pause longer than a pedal's usual one:
        // the reply spans several reads and is waited out.
        reply(whole.left(100));
        QTimer::singleShot(300, [&] { reply(whole.mid(100)); });
    };
    ASSERT_TRUE(connect());
    const auto s = status.request_device_status();
    ASSERT_TRUE(s.has_value()) << prompts.messages.join(" | ");
    EXPECT_EQ(s->device_firmware_version, "07");
    EXPECT_EQ(s->parameterValues[14], 1u);
    EXPECT_EQ(comm.received_reply, whole);
    EXPECT_TRUE(prompts.messages.isEmpty());
}

// A peer that answers every write alike: ACK is the synchronisation, one
// byte each way; a NACK every time is probed again until the rounds run
// out; silence is met with every filler byte before it fails.
TEST_F(ExchangeOverPtyTest, BootloaderHandshakeTakesOnlyTheAcknowledge)
{
    struct Case {
        QByteArray answer;
        const char *message;
        QByteArray sent;
    };
    const Case cases[] = {
        {QByteArray("\x79", 1), "Connection to bootloader succeeded, ready for firmware upgrade",
         QByteArray("\x7F", 1)},
        {QByteArray("\x1F", 1), "Connection to bootloader failed",
         QByteArray(1 + BootloaderProtocol::SyncRounds, '\x7F')},
        {QByteArray(), "Connection to bootloader failed",
         QByteArray("\x7F", 1) + QByteArray(BootloaderProtocol::MaxFillers, char(BootloaderProtocol::Filler))},
    };
    comm.firmware_upgrade_mode = true;
    for (const Case &c : cases) {
        prompts.clearBoxes();
        QByteArray sync;
        answer = [&](const QByteArray &bytes) {
            sync += bytes;
            if (!c.answer.isEmpty())
                reply(c.answer);
        };
        QElapsedTimer timer;
        timer.start();
        EXPECT_TRUE(connect());
        EXPECT_EQ(sync, c.sent);
        EXPECT_EQ(prompts.messages, QStringList({c.message}));
        if (c.answer.isEmpty()) {
            EXPECT_GE(timer.elapsed(), Communication::HandshakeTimeoutMs);
        }
        EXPECT_TRUE(connection.Disconnect());
    }
}

TEST_F(ExchangeOverPtyTest, AHungUpLineEndsTheWaitWithTheDriversError)
{
    ASSERT_TRUE(connect());
    comm.send_message("0200", 2, true);
    pty.setReceiver(nullptr);
    pty.closeMaster();
    EXPECT_EQ(comm.receive_reply(82), Communication::Reply::TransportError);
    ASSERT_FALSE(prompts.messages.isEmpty());
    EXPECT_TRUE(prompts.details.last().contains("General IO error")) << prompts.messages.last();
}
