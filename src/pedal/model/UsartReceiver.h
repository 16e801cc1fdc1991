#pragma once

#include <QByteArray>
#include <cstdint>

// The pedal's USART receiver, bit by bit. The host's frames (start bit, data
// bits, optional parity, stop bits) and the idle line between them arrive as
// line levels on a grid of bit times; the receiver starts a frame at a falling
// edge, reads its 8 data bits, its parity bit if it has one (a parity error is
// ignored, as the bootloader does), and wants a high stop bit: a low one is a
// framing error and the byte is lost. After a framing error it waits for the
// line to go high and fall again, so the rest of a back-to-back run is lost
// or garbled, as on the real chip.
class UsartReceiver {
public:
    // The host's side of the line, in the codes of the driver's data
    // characteristics: 7 or 8 data bits, 0 (one) or 2 (two) stop bits, parity
    // 0 none, 1 odd, 2 even, 3 mark, 4 space.
    struct HostFrame {
        std::uint8_t wordLength = 8;
        std::uint8_t stopBits = 0;
        std::uint8_t parity = 0;
        int bits() const { return 1 + wordLength + (parity ? 1 : 0) + (stopBits == 2 ? 2 : 1); }
    };

    // The receiver's own frame: 8 data bits, with or without a parity bit.
    void setParityBit(bool on) { m_parityBit = on; }
    bool parityBit() const { return m_parityBit; }
    int frameBits() const { return m_parityBit ? 11 : 10; }

    // Appends one host byte's frame; returns any bytes completed by it.
    QByteArray pushByte(std::uint8_t byte, const HostFrame &host);
    // Appends `bits` bit times of idle (high) line.
    QByteArray pushIdle(int bits);

    int framingErrors() const { return m_framingErrors; }
    // Whether a frame is half received (its end still needs line time).
    bool receiving() const { return m_bit > 0; }

private:
    QByteArray pushLevel(bool high);

    bool m_parityBit = false;
    bool m_lastHigh = true;
    int m_bit = 0;  // 0 = waiting for a start bit, else bits of the frame seen
    std::uint8_t m_data = 0;
    int m_framingErrors = 0;
};
