#!/usr/bin/env python3
"""Writes the GIFs of the picture tables, byte by byte, so that each holds
exactly the case it is named for; and an RLE-compressed BMP by ImageMagick."""
import os
import struct
import subprocess

HERE = os.path.dirname(os.path.abspath(__file__))
BLACK_WHITE = b"\x00\x00\x00\xff\xff\xff"


def lzw(indices, bits=2):
    # Every index a code of its own, the table cleared before it grows, so
    # that the code width stays bits + 1.
    clear, width, codes = 1 << bits, bits + 1, []
    for i, index in enumerate(indices):
        if i % (clear - 2) == 0:
            codes.append(clear)
        codes.append(index)
    codes.append(clear + 1)
    value = sum(code << (width * i) for i, code in enumerate(codes))
    data = value.to_bytes((width * len(codes) + 7) // 8, "little")
    blocks = b"".join(bytes([len(data[i:i + 255])]) + data[i:i + 255] for i in range(0, len(data), 255))
    return bytes([bits]) + blocks + b"\x00"


def frame(indices, left=0, top=0, width=8, height=8, delay=None, disposal=0, transparent=None, claimed=None):
    control = b""
    if delay is not None or transparent is not None or disposal:
        flags = disposal << 2 | (transparent is not None)
        control = b"\x21\xf9\x04" + struct.pack("<BHB", flags, delay or 0, transparent or 0) + b"\x00"
    size = claimed or (width, height)
    return control + b"\x2c" + struct.pack("<HHHHB", left, top, *size, 0) + lzw(indices)


def gif(frames, screen=(8, 8), loop=None, table=BLACK_WHITE):
    header = b"GIF89a" + struct.pack("<HHBBB", *screen, 0x80 | (len(table) // 3).bit_length() - 2, 0, 0) + table
    looping = b"" if loop is None else b"\x21\xff\x0bNETSCAPE2.0\x03\x01" + struct.pack("<H", loop) + b"\x00"
    return header + looping + b"".join(frames) + b"\x3b"


def write(name, content):
    with open(os.path.join(HERE, name), "wb") as file:
        file.write(content)


dot = [1 if i == 6 * 8 + 6 else 2 for i in range(64)]
# A lit square disposed to the background, then one dot over a transparent
# rest: the square must be gone, though the first frame has no transparency.
write("disposed.gif", gif([frame([1] * 4, 1, 1, 2, 2, delay=10, disposal=2), frame(dot, delay=10, transparent=2)],
                          table=BLACK_WHITE + b"\x80\x80\x80" * 2))
# A checkerboard of indices 2 and 3 past a table of two colours.
write("beyond-table.gif", gif([frame([2 + (i + i // 8) % 2 for i in range(64)])]))
# No delay, 1/100 s and 20/100 s; marked to loop once more.
write("timing.gif", gif([frame([1] * 64), frame([0] * 64, delay=1), frame([1] * 32 + [0] * 32, delay=20)], loop=1))
# A frame claiming 65535 x 65535 pixels, with 64 of them.
write("huge-frame.gif", gif([frame([1] * 64, claimed=(65535, 65535))]))
subprocess.run(["convert", "-size", "8x8", "xc:black", "-fill", "white", "-draw", "point 3,3", "-type", "palette", "-compress", "RLE",
                "BMP3:" + os.path.join(HERE, "rle.bmp")], check=True)
