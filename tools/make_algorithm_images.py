#!/usr/bin/env python3
"""Writes the algorithm images and the effect list carried in the editor.

The images are our own data: a header with the parameter addresses and the
version, then DSP program and data records, generated deterministically so
that running this script again gives the same bytes.

    python3 tools/make_algorithm_images.py   # writes resources/algorithms/
"""
import pathlib

OUT = pathlib.Path(__file__).resolve().parent.parent / "resources" / "algorithms"

# Seventeen 16-bit addresses, one per slot of the header: Dry, Sub Mix, -1 Oct,
# -2 Oct, Wave, Low Pass, High Pass, 1st Harmonic, Split, three fields the
# editor does not use, Input Level, 1st Harmonic Pitch, Wave Clip, Dominant
# Notes Cut, High Notes Cut.
IMAGES = {
    "0008": (4640, [0x0009, 0x00E1, 0x0070, 0x006E, 0x0002, 0x00C3, 0x00D5, 0x0099, 0x00E0,
                    0x0040, 0x0041, 0x0042, 0x0008, 0x006B, 0x00DE, 0x0019, 0x000A]),
    "0009": (4672, [0x000A, 0x00E4, 0x0074, 0x0072, 0x0002, 0x00C7, 0x00D9, 0x009D, 0x00E4,
                    0x0040, 0x0041, 0x0042, 0x0009, 0x006F, 0x00E2, 0x001A, 0x000B]),
    "0010": (4544, [0x000B, 0x00E7, 0x0078, 0x0076, 0x0003, 0x00CB, 0x00DD, 0x00A1, 0x00E8,
                    0x0040, 0x0041, 0x0042, 0x000A, 0x0073, 0x00E6, 0x001B, 0x000C]),
}

# Power-on values of the parameter words, by header slot (None: left at 0).
DEFAULTS = [0x400000, 0x400000, 0x400000, 0x200000, 0x400000, 12, 8, 0x200000, 0,
            None, None, None, 0x600000, 0x400000, 0x400000, 0, 0]

CHIP = 0x68            # the DSP's control-port address
PROGRAM_BASE = 0x0400  # program memory
PARAM_WORDS = 256      # parameter RAM at 0x0000, 4 bytes a word
INSTRUCTION = 5        # bytes per program word


def xorshift(seed):
    state = seed or 1
    while True:
        state ^= (state << 13) & 0xFFFFFFFF
        state ^= state >> 17
        state ^= (state << 5) & 0xFFFFFFFF
        yield state & 0xFF


def record(target, data):
    body = bytes([CHIP]) + target.to_bytes(2, "big") + data
    return bytes([0x01]) + len(body).to_bytes(2, "big") + body


def image(version, total, addresses):
    header = bytearray(total.to_bytes(3, "big"))
    for address in addresses:
        header += address.to_bytes(2, "big")
    header += bytes(86)
    header += bytes.fromhex(version)          # "0010" -> 00 10
    header += bytes([0x00, 0x05, 0x12])
    assert len(header) == 128

    params = bytearray(PARAM_WORDS * 4)
    for address, value in zip(addresses, DEFAULTS):
        if value is not None:
            params[address * 4:address * 4 + 4] = value.to_bytes(4, "big")
    data_record = record(0x0000, bytes(params))

    fixed = len(header) + len(data_record) + 1 + 6 + 1   # filler, program head, end
    words = (total - fixed - 8) // INSTRUCTION
    random = xorshift(int(version))
    program = bytes(next(random) for _ in range(words * INSTRUCTION))
    body = header + data_record + bytes([0x03]) + record(PROGRAM_BASE, program) + bytes([0x06])
    assert len(body) <= total and total % 32 == 0
    return bytes(body) + bytes(total - len(body))


def main():
    OUT.mkdir(parents=True, exist_ok=True)
    for version, (total, addresses) in IMAGES.items():
        data = image(version, total, addresses)
        (OUT / f"SOMBRANT_MK3_{version}").write_text(data.hex().upper(), encoding="ascii")
    (OUT / "OCTAVE").write_bytes(b"Sombrant MK3 0010\r\n")


if __name__ == "__main__":
    main()
