#!/usr/bin/python3
"""Writes the pictures of the picture tables. GIFs from ImageMagick, Pillow
and gifsicle, with what ImageMagick's -coalesce shows of each in
gif-corpus.txt; byte by byte, GIFs that no encoder writes (indices past the
colour table, frames past the screen); and an RLE-compressed BMP by
ImageMagick. Needs imagemagick, gifsicle and python3-pil."""
import os
import struct
import subprocess
import tempfile

from PIL import Image, ImageDraw

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
# A checkerboard of indices 2 and 3 past a table of two colours.
write("beyond-table.gif", gif([frame([2 + (i + i // 8) % 2 for i in range(64)])]))
# A frame claiming 65535 x 65535 pixels, with 64 of them.
write("huge-frame.gif", gif([frame([1] * 64, claimed=(65535, 65535))]))
# A frame one row lower than its screen allows, as wide as the screen.
write("past-bottom.gif", gif([frame([1] * 64, top=1)]))
subprocess.run(["convert", "-size", "8x8", "xc:black", "-fill", "white", "-draw", "point 3,3", "-type", "palette", "-compress", "RLE",
                "BMP3:" + os.path.join(HERE, "rle.bmp")], check=True)


def run(*command):
    subprocess.run([str(word) for word in command], check=True, cwd=HERE)


def pil_frame(dots):
    image = Image.new("P", (8, 8), 0)
    image.putpalette([0, 0, 0, 255, 255, 255, 0x60, 0x60, 0x60])
    for x, y, colour in dots:
        image.putpixel((x, y), colour)
    return image


with tempfile.TemporaryDirectory() as work:
    # Single pictures: long runs of one colour, which every encoder writes as
    # codes of its string table; an antialiased triangle, interlaced.
    run("convert", "-size", "8x8", "xc:white", "im-white.gif")
    run("convert", "-size", "8x8", "xc:black", "-fill", "white", "-draw", "line 0,0 7,7", "im-diagonal.gif")
    run("convert", "-size", "8x8", "xc:black", "-fill", "white", "-draw", "polygon 0,7 7,7 3,0", "-interlace", "GIF",
        "im-interlaced.gif")
    heart = [(x, y, 1) for y, row in enumerate(["", " ## ##", "#######", "#######", " #####", "  ###", "   #"])
             for x, c in enumerate(row) if c == "#"]
    pil_frame(heart + [(0, 0, 2), (7, 7, 2)]).save(os.path.join(HERE, "pil-heart.gif"))
    # Animations, one a disposal: Pillow's frames disposed to the background,
    # 10, 2 and 1 hundredths, looped forever; ImageMagick's restored to the
    # frame before, looped twice more; gifsicle's optimiser over full frames.
    square = [(x, y, 1) for x in range(2, 6) for y in range(2, 6)]
    frames = [pil_frame(square), pil_frame([(0, 0, 1)]), pil_frame([(7, 7, 1), (6, 6, 2)])]
    frames[0].save(os.path.join(HERE, "pil-background.gif"), save_all=True, append_images=frames[1:],
                   duration=[100, 20, 10], disposal=2, loop=0)
    run("convert", "-size", "8x8", "xc:black", "-fill", "white", "-draw", "rectangle 0,0 3,7", f"{work}/left.png")
    run("convert", "-size", "2x2", "xc:white", f"{work}/dot.png")
    run("convert", "-loop", "2", "-delay", "20", "-dispose", "None", f"{work}/left.png", "-dispose", "Previous", "-page", "+5+1",
        f"{work}/dot.png", "-dispose", "None", "-page", "+5+6", f"{work}/dot.png", "im-previous.gif")
    run("convert", "-delay", "5", "-dispose", "Background", "-size", "8x8", "xc:black", "-page", "+1+1",
        f"{work}/dot.png", "-page", "+4+4", f"{work}/dot.png", "im-background.gif")
    columns = []
    for x in range(8):
        columns.append(f"{work}/column{x}.gif")
        run("convert", "-size", "8x8", "xc:black", "-fill", "white", "-draw", f"rectangle 0,0 {x},{7 - x}", columns[-1])
    run("gifsicle", "-O3", "--delay", "2", "--loopcount=forever", *columns, "-o", "gifsicle-optimised.gif")
    # A second frame all white but one dot, with white as its transparent
    # colour: only that dot covers the first.
    run("convert", "-size", "8x8", "xc:white", "-fill", "black", "-draw", "point 0,0", f"{work}/white.gif")
    run("gifsicle", "--delay", "10", columns[3], "--transparent", "#FFFFFF", f"{work}/white.gif", "-o",
        "gifsicle-transparent.gif")

# The dots a viewer shows: each frame as ImageMagick composes it, lit as
# vexel-send lights a dot; each delay as ImageMagick reads it and the loop
# mark as Pillow reads it, in vexel-send's terms.
ROW_WEIGHTS = [0x10, 0x20, 0x40, 0x80, 0x01, 0x02, 0x04, 0x08]
with open(os.path.join(HERE, "gif-corpus.txt"), "w") as corpus:
    corpus.write("# What ImageMagick's -coalesce shows of each GIF: column bytes @ milliseconds (0: the interval)\n"
                 "# for each frame; how often it plays (0 forever). Written by make-pictures.py.\n")
    for name in sorted(n for n in os.listdir(HERE) if n.split("-")[0] in ("im", "pil", "gifsicle")):
        rgba = subprocess.run(["convert", name, "-coalesce", "-depth", "8", "RGBA:-"], cwd=HERE, check=True,
                              capture_output=True).stdout
        delays = subprocess.run(["identify", "-format", "%T ", name], cwd=HERE, check=True, capture_output=True,
                                text=True).stdout.split()
        described = []
        for number, delay in enumerate(delays):
            pixels = rgba[number * 256:(number + 1) * 256]
            columns = [0] * 8
            for i in range(64):
                red, green, blue, alpha = pixels[4 * i:4 * i + 4]
                if alpha >= 128 and max(red, green, blue) >= 128:
                    columns[i % 8] |= ROW_WEIGHTS[i // 8]
            milliseconds = int(delay) * 10 if int(delay) >= 2 else 0
            described.append(" ".join(f"{c:02X}" for c in columns) + f" @{milliseconds}")
        loop = Image.open(os.path.join(HERE, name)).info.get("loop")
        corpus.write(f"{name}\t{', '.join(described)}; {1 if loop is None else loop and loop + 1}\n")
