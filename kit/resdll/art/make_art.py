#!/usr/bin/env python3
"""Writes the kit's invented artwork: the status pictures (the three 256-colour
files of the install folder and a few bitmap resources in every header kind)
and the status icons. Plain shapes in plain colours, so that a test can tell
them apart on screen by colour. Run it again after changing it and commit the
files it writes."""
import struct

W, H = 75, 60




def picture(fill, mark, width=W, height=H):
    """A printer shape: body in fill, paper slot in white, a mark below."""
    px = []
    for y in range(height):  # top-down
        row = []
        for x in range(width):
            c = 0  # background (light grey)
            if 8 <= x < width - 8 and height // 3 <= y < height - 8:
                c = 1  # body
            if width // 4 <= x < width * 3 // 4 and height // 6 <= y < height // 3 + 2:
                c = 2  # paper
            if width // 2 - 4 <= x < width // 2 + 4 and height - 20 <= y < height - 12:
                c = 3  # mark
            row.append(c)
        px.append(row)
    return px, [(0xC0, 0xC0, 0xC0), fill, (0xFF, 0xFF, 0xFF), mark]


def write_bmp(path, px, colours, bitcount=8, core=False, table=256, clr_used=0):
    height, width = len(px), len(px[0])
    pal = list(colours) + [(i, i, i) for i in range(table - len(colours))]
    pal = pal[:table]
    if bitcount == 8:
        stride = (width + 3) & ~3
    elif bitcount == 4:
        stride = ((width + 1) // 2 + 3) & ~3
    else:
        stride = (width * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(px):
        line = bytearray()
        if bitcount == 8:
            line += bytes(row)
        elif bitcount == 4:
            for i in range(0, width, 2):
                hi = row[i]
                lo = row[i + 1] if i + 1 < width else 0
                line.append((hi << 4) | lo)
        else:
            for c in row:
                r, g, b = colours[c]
                line += bytes((b, g, r))
        line += bytes(stride - len(line))
        data += line
    if core:
        header = struct.pack('<IHHHH', 12, width, height, 1, bitcount)
        ctab = b''.join(bytes((b, g, r)) for (r, g, b) in pal)
    else:
        header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, bitcount, 0, len(data), 2835, 2835,
                             clr_used, 0)
        ctab = b'' if bitcount == 24 else b''.join(bytes((b, g, r, 0)) for (r, g, b) in pal)
    offset = 14 + len(header) + len(ctab)
    filehdr = b'BM' + struct.pack('<IHHI', offset + len(data), 0, 0, offset)
    with open(path, 'wb') as f:
        f.write(filehdr + header + ctab + data)


def write_ico(path, shape, fill):
    """32 x 32, 16 colours. shape(x, y) -> 0 transparent, 1 fill, 2 outline."""
    n = 32
    pal = [(0, 0, 0), fill, (0, 0, 0)] + [(0, 0, 0)] * 13
    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(n)):
        for x in range(0, n, 2):
            a, b = shape(x, y), shape(x + 1, y)
            xor.append(((1 if a == 1 else 0 if a == 0 else 2) << 4) | (1 if b == 1 else 0 if b == 0 else 2))
        bits = 0
        for x in range(n):
            bits = (bits << 1) | (1 if shape(x, y) == 0 else 0)
        mask += struct.pack('>I', bits)
    header = struct.pack('<IiiHHIIiiII', 40, n, 2 * n, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    ctab = b''.join(bytes((b, g, r, 0)) for (r, g, b) in pal)
    image = header + ctab + xor + mask
    icondir = struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', n, n, 16, 0, 1, 4, len(image), 22)
    with open(path, 'wb') as f:
        f.write(icondir + image)


def disc(x, y):
    d = (x - 15.5) ** 2 + (y - 15.5) ** 2
    return 1 if d < 12 ** 2 else 2 if d < 14 ** 2 else 0


def square(x, y):
    if 4 <= x < 28 and 4 <= y < 28:
        return 1 if 6 <= x < 26 and 6 <= y < 26 else 2
    return 0


def corner_mark(x, y):
    # Overlays sit over the picture's top-left corner; the rest stays clear.
    if x < 14 and y < 14:
        return 1 if 2 <= x < 12 and 2 <= y < 12 else 2
    return 0


if __name__ == '__main__':
    # The install folder's files named by BMPBlue, BMPRed and BMPYellow.
    for name, fill in (('KX9100B.BMP', (0, 0, 0xFF)), ('KX9100R.BMP', (0xFF, 0, 0)),
                       ('KX9100Y.BMP', (0xFF, 0xFF, 0))):
        px, col = picture(fill, (0, 0, 0))
        write_bmp(name, px, col)
    # Bitmap resources: a full 256-entry table, 16 colours, a short table
    # (biClrUsed 4), a core header, 24 bits.
    px, col = picture((0, 0x80, 0), (0xFF, 0xFF, 0xFF))
    write_bmp('bmp790.bmp', px, col)
    px, col = picture((0xFF, 0, 0xFF), (0, 0, 0))
    write_bmp('bmp791.bmp', px, col, bitcount=4, table=16)
    px, col = picture((0, 0xFF, 0xFF), (0, 0, 0))
    write_bmp('bmp792.bmp', px, col, table=4, clr_used=4)
    px, col = picture((0x80, 0x40, 0), (0xFF, 0xFF, 0xFF))
    write_bmp('bmp793.bmp', px, col, core=True)
    px, col = picture((0xFF, 0x80, 0), (0, 0, 0))
    write_bmp('bmp794.bmp', px, col, bitcount=24)
    # Status icons of the class table, the window icon and the alternate.
    icons = {621: (square, (0, 0x80, 0x80)), 750: (disc, (0xFF, 0, 0)), 751: (square, (0xFF, 0, 0)),
             752: (disc, (0xFF, 0x80, 0)), 758: (square, (0xFF, 0x80, 0)), 759: (disc, (0, 0xC0, 0)),
             760: (disc, (0x80, 0, 0x80)), 762: (square, (0x80, 0, 0x80)), 765: (square, (0xFF, 0xFF, 0xFF))}
    for num, (shape, fill) in icons.items():
        write_ico('icon%d.ico' % num, shape, fill)
    # Overlays blinking over the picture.
    write_ico('icon771.ico', corner_mark, (0xFF, 0xFF, 0))
    write_ico('icon777.ico', corner_mark, (0, 0xFF, 0xFF))
