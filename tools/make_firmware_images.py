#!/usr/bin/env python3
"""Writes the firmware images carried in the editor, FIRMWARE_5 to FIRMWARE_8.

They are our own stand-in images, not the pedal's firmware: raw flash content
from 0x08000000 with a vector table the bootloader's Go can start (initial
stack pointer 0x20005000, a Thumb reset address in flash) followed by
deterministic filler, at the sizes the upgrade expects. A vendor build puts
the real firmware in their place. Running this script again gives the same
bytes.

    python3 tools/make_firmware_images.py   # writes resources/firmware/
"""
import pathlib
import struct

OUT = pathlib.Path(__file__).resolve().parent.parent / "resources" / "firmware"

FLASH_BASE = 0x08000000
STACK_TOP = 0x20005000
VECTORS = 48           # Cortex-M3 vector table entries written
RESET_OFFSET = 0x0130  # the reset handler lies right behind the table

# Firmware number -> image size in bytes.
SIZES = {5: 53840, 6: 53640, 7: 53700, 8: 50720}


def xorshift(seed):
    state = seed or 1
    while True:
        state ^= (state << 13) & 0xFFFFFFFF
        state ^= state >> 17
        state ^= (state << 5) & 0xFFFFFFFF
        yield state


def image(number, size):
    data = bytearray()
    reset = FLASH_BASE + RESET_OFFSET + 1  # Thumb bit set
    data += struct.pack("<II", STACK_TOP, reset)
    # The other handlers share one default handler behind the reset handler.
    default = FLASH_BASE + RESET_OFFSET + 0x10 + 1
    for _ in range(2, VECTORS):
        data += struct.pack("<I", default)
    data += bytes(RESET_OFFSET - len(data))
    # Reset handler: b . (loops); default handler: b .
    data += bytes([0xFE, 0xE7]) + bytes(14) + bytes([0xFE, 0xE7])
    # The firmware's number, so the four images differ from their start.
    data += b"SOMBRANT MK3 FIRMWARE %d\0" % number
    rng = xorshift(0x5EED0000 + number)
    while len(data) < size:
        data += struct.pack("<I", next(rng))
    return bytes(data[:size])


def main():
    OUT.mkdir(parents=True, exist_ok=True)
    for number, size in SIZES.items():
        (OUT / ("FIRMWARE_%d" % number)).write_bytes(image(number, size))


if __name__ == "__main__":
    main()
