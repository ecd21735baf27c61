#!/usr/bin/env python3
# Addressbook/res/progress_avi.py: writes progress.avi, the animation of the progress and send
# dialogs: dots travelling from a computer to a phone. Uncompressed 8-bit frames, as the
# animation control plays them without a codec. Run: python3 progress_avi.py progress.avi
import struct
import sys

WIDTH, HEIGHT, FRAMES, FPS = 120, 32, 8, 8
BACK, BLACK, GREY, WHITE, NAVY, BLUE, GREEN, DOT = range(8)
PALETTE = [(192, 192, 192), (0, 0, 0), (128, 128, 128), (255, 255, 255),
           (0, 0, 128), (0, 120, 215), (0, 160, 0), (160, 160, 160)]


def frame(index):
    pixels = [[BACK] * WIDTH for _ in range(HEIGHT)]

    def box(x0, y0, x1, y1, colour):
        for y in range(y0, y1):
            for x in range(x0, x1):
                pixels[y][x] = colour

    # The computer: a framed screen on a stand.
    box(4, 4, 32, 24, BLACK)
    box(6, 6, 30, 22, BLUE)
    box(15, 24, 21, 27, GREY)
    box(10, 27, 26, 29, GREY)
    # The phone: a dark body, a screen that lights up when the message lands.
    box(96, 3, 112, 30, BLACK)
    box(98, 6, 110, 20, GREEN if index == FRAMES - 1 else NAVY)
    box(101, 23, 107, 27, GREY)
    # Five dots between them; the wave of lit dots moves one step per frame.
    for dot in range(5):
        x = 40 + dot * 11
        lit = dot < index
        box(x, 13, x + 6, 19, BLUE if lit else DOT)
    return pixels


def dib(pixels):
    # Bottom-up rows; the width is a multiple of four, so rows need no padding.
    return b"".join(bytes(row) for row in reversed(pixels))


def chunk(fourcc, data):
    pad = b"\0" if len(data) % 2 else b""
    return fourcc + struct.pack("<I", len(data)) + data + pad


def lst(kind, data):
    return chunk(b"LIST", kind + data)


def main(path):
    size = WIDTH * HEIGHT
    avih = struct.pack("<IIIIIIIIII4I", 1000000 // FPS, size * FPS, 0, 0x10, FRAMES, 0, 1, size, WIDTH, HEIGHT,
                       0, 0, 0, 0)
    strh = struct.pack("<4s4sIHHIIIIIIIIhhhh", b"vids", b"DIB ", 0, 0, 0, 0, 1, FPS, 0, FRAMES, size,
                       0xFFFFFFFF, 0, 0, 0, WIDTH, HEIGHT)
    bih = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 8, 0, size, 0, 0, 256, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE + [(0, 0, 0)] * (256 - len(PALETTE)))
    hdrl = lst(b"hdrl", chunk(b"avih", avih) + lst(b"strl", chunk(b"strh", strh) + chunk(b"strf", bih + palette)))

    frames = [chunk(b"00db", dib(frame(i))) for i in range(FRAMES)]
    movi = lst(b"movi", b"".join(frames))
    # Index offsets count from the "movi" type field.
    index, offset = b"", 4
    for data in frames:
        index += struct.pack("<4sIII", b"00db", 0x10, offset, size)
        offset += len(data)
    body = b"AVI " + hdrl + movi + chunk(b"idx1", index)
    with open(path, "wb") as out:
        out.write(b"RIFF" + struct.pack("<I", len(body)) + body)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "progress.avi")
