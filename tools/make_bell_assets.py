#!/usr/bin/env python3
"""Writes the hourly bell's sound and animation using only the standard library.

cuckoo.wav    - two cuckoo calls: a high note falling a major third, with soft
                attack and decay so the notes do not click.
KOOKOObis.GIF - a small looping GIF89a: a bird leaning out of a clock door
                and opening its beak.

Usage: make_bell_assets.py [output folder]   (default: ../assets)
"""
import math
import os
import struct
import sys
import wave

RATE = 22050


def note(freq, seconds, volume=0.6):
    n = int(RATE * seconds)
    attack = int(RATE * 0.02)
    out = []
    for i in range(n):
        t = i / RATE
        env = min(1.0, i / attack) * math.exp(-3.5 * t / seconds)
        # a touch of the octave makes it sound less like a test tone
        s = math.sin(2 * math.pi * freq * t) + 0.25 * math.sin(4 * math.pi * freq * t)
        out.append(volume * env * s / 1.25)
    return out


def silence(seconds):
    return [0.0] * int(RATE * seconds)


def write_wav(path):
    samples = []
    for _ in range(2):
        samples += note(659.3, 0.28) + silence(0.06) + note(523.3, 0.45) + silence(0.35)
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"".join(struct.pack("<h", int(max(-1, min(1, s)) * 32767)) for s in samples))


def lzw_encode(pixels, min_code_size):
    """GIF variant of LZW: variable code width, clear code when the table is full."""
    clear = 1 << min_code_size
    end = clear + 1
    bits_out = []  # (code, width)

    def reset():
        return {bytes([i]): i for i in range(clear)}, end + 1, min_code_size + 1

    table, next_code, width = reset()
    bits_out.append((clear, width))
    current = b""
    for p in pixels:
        candidate = current + bytes([p])
        if candidate in table:
            current = candidate
            continue
        bits_out.append((table[current], width))
        if next_code < 4096:
            table[candidate] = next_code
            next_code += 1
            if next_code > (1 << width) and width < 12:
                width += 1
        else:
            bits_out.append((clear, width))
            table, next_code, width = reset()
        current = bytes([p])
    if current:
        bits_out.append((table[current], width))
    bits_out.append((end, width))

    data = bytearray()
    acc = 0
    nbits = 0
    for code, w in bits_out:
        acc |= code << nbits
        nbits += w
        while nbits >= 8:
            data.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8
    if nbits:
        data.append(acc & 0xFF)
    return bytes(data)


def sub_blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out.append(len(chunk))
        out += chunk
    out.append(0)
    return bytes(out)


W, H = 48, 48
PALETTE = [
    (255, 255, 255),  # 0 background
    (120, 72, 36),    # 1 clock wood
    (40, 24, 12),     # 2 door opening
    (150, 110, 60),   # 3 bird body
    (240, 170, 40),   # 4 beak
    (0, 0, 0),        # 5 eye
    (200, 60, 40),    # 6 open beak inside
    (90, 60, 30),     # 7 wing
]


def frame(lean, beak_open):
    img = [[0] * W for _ in range(H)]

    def rect(x0, y0, x1, y1, c):
        for y in range(max(0, y0), min(H, y1)):
            for x in range(max(0, x0), min(W, x1)):
                img[y][x] = c

    def disc(cx, cy, r, c):
        for y in range(H):
            for x in range(W):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    img[y][x] = c

    # clock house with a roof
    rect(6, 16, 42, 46, 1)
    for y in range(4, 16):
        half = (y - 4) * 2
        rect(24 - half, y, 24 + half, y + 1, 1)
    rect(14, 20, 34, 36, 2)
    # the bird, further out of the door as it leans
    bx = 24 + lean
    disc(bx, 30, 8, 3)
    disc(bx + 4, 23, 5, 3)
    rect(bx - 6, 29, bx + 2, 32, 7)
    img[22][bx + 6] = 5
    img[22][bx + 5] = 5
    if beak_open:
        rect(bx + 9, 20, bx + 15, 22, 4)
        rect(bx + 9, 22, bx + 13, 24, 6)
        rect(bx + 9, 24, bx + 15, 26, 4)
    else:
        rect(bx + 9, 22, bx + 15, 25, 4)
    return [p for row in img for p in row]


def write_gif(path):
    frames = [(frame(-6, False), 30), (frame(0, False), 20), (frame(3, True), 35),
              (frame(3, False), 15), (frame(3, True), 35), (frame(0, False), 20)]
    out = bytearray(b"GIF89a")
    out += struct.pack("<HHBBB", W, H, 0xF2, 0, 0)  # global table of 8 colours
    for r, g, b in PALETTE:
        out += bytes([r, g, b])
    # loop forever
    out += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00"
    for pixels, delay in frames:
        out += b"\x21\xF9\x04" + struct.pack("<BHBB", 0x04, delay, 0, 0)
        out += b"\x2C" + struct.pack("<HHHHB", 0, 0, W, H, 0)
        out.append(3)
        out += sub_blocks(lzw_encode(pixels, 3))
    out.append(0x3B)
    with open(path, "wb") as f:
        f.write(out)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "assets")
    os.makedirs(folder, exist_ok=True)
    write_wav(os.path.join(folder, "cuckoo.wav"))
    write_gif(os.path.join(folder, "KOOKOObis.GIF"))


if __name__ == "__main__":
    main()
