#pragma once

#include "device/FtDriver.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

class LogSink;
class UserPrompts;

// The transport: wraps the driver calls the editor needs, holds the handle of
// the open device, the two 65,536-byte buffers and the serial settings, and
// turns every failing call into one failure box: what happened in plain words,
// then the driver's label and status text as its detail, logged too. It
// knows nothing of the pedal's messages, or of when to scan, open or close.
//
// A device that has gone (the driver answers a call on its handle with
// "General IO error" or "Device not found": it was unplugged) is reported
// once: later calls on the handle are not made and fail quietly with the same
// status, so an operation under way ends with one message box, until the
// device is closed or another one is opened.
//
// Owned by main() for the whole run; the driver and the prompts must outlive it.
class D2XXUnit {
public:
    static constexpr int BufferSize = 65536;
    static constexpr int SerialNumberLimit = 49;  // characters handed to the open

    D2XXUnit(FtDriver &driver, UserPrompts &prompts);

    FtDriver &driver() const { return m_driver; }
    // Where failures are logged (label and status text); none by default.
    void setLog(LogSink *log) { m_log = log; }

    // Operations; each returns the driver's status (0 = success) and reports a
    // failure through ReportFTError with its label.
    FtStatus GetFTDeviceCount();
    FtStatus GetFTDeviceSerialNo(std::uint32_t index);
    FtStatus GetFTDeviceDescription(std::uint32_t index);
    FtStatus Open_USB_Device_By_Serial_Number(const QString &serial);
    FtStatus CloseFTDevice();
    // Reads every waiting byte, at most maxBytes and BufferSize, into
    // input_buffer from its first byte on; returns the count read, 0 when the
    // read fails.
    std::uint32_t ReadFTDevice(std::uint32_t maxBytes = BufferSize);
    // Sends the first n bytes of output_buffer (n is clamped to BufferSize).
    void WriteFTDevice(std::uint32_t n);
    FtStatus ApplyFTBaudRate();
    FtStatus ApplyFTDataCharacteristics();
    FtStatus PurgeFTReceive();
    FtStatus PurgeFTTransmit();
    FtStatus QueryFTQueueStatus();
    // For a non-zero status, shows the plain words for the call with "label +
    // status text" below them, and logs the latter; nothing for 0.
    void ReportFTError(const QString &label, FtStatus status);

    // The text appended to an error label for a status; statuses the driver
    // library does not document read " - Unknown error (status N)".
    static QString statusText(FtStatus status);

    // Unit state, named as the rest of the editor refers to it.
    FtHandle device_handle = 0;
    FtStatus ft_status = 0;
    std::array<std::uint8_t, BufferSize> input_buffer{};
    std::array<std::uint8_t, BufferSize> output_buffer{};
    std::uint32_t device_count = 0;
    QByteArray FT_Device_String;
    std::uint32_t rx_queue_count = 0;
    std::uint32_t baud_rate = 0;
    std::uint8_t word_length = 0;
    std::uint8_t stop_bits = 0;
    std::uint8_t parity = 0;

    // The open device has gone (see above).
    bool device_gone = false;
    // The last failure reported, as its box's detail said it: label and
    // status text.
    QString last_failure;
    // Called once when the open device is found gone, after its box was shown.
    std::function<void()> onDeviceGone;

private:
    // Runs a call on the open device's handle and reports its failure, or
    // fails quietly when the device has gone.
    template <typename Call>
    FtStatus onDevice(const char *label, Call call);

    FtStatus listString(std::uint32_t index, bool description, const char *label);

    FtDriver &m_driver;
    UserPrompts &m_prompts;
    LogSink *m_log = nullptr;
    std::array<char, ft::ListBufferSize> m_serialBuffer{};
    std::array<char, ft::ListBufferSize> m_descriptionBuffer{};
    std::array<char, SerialNumberLimit + 1> m_openBuffer{};
};
