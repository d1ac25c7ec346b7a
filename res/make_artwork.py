#!/usr/bin/env python3
"""Draws the program's icons and the block tree's image strip, and writes them as the
.ico and .bmp files the resource script embeds. Standard library only; every byte of the
files is written here, so the artwork can be rebuilt anywhere:

    python3 res/make_artwork.py [output folder, default: the folder of this script]

Small images are drawn as pixel maps (one character a pixel, see the palettes) so each
pixel is placed on purpose; larger ones are put together from rectangles and lines.
"""
import math
import os
import struct
import sys

# --------------------------------------------------------------------------- colours

# The 16 colours every display can show; 16-colour icon images use exactly these.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]

MAGENTA = (255, 0, 255)  # the tree strip's mask colour

# Colours of the tree images, by the character that stands for them in the pixel maps.
TREE_PALETTE = {
    '.': MAGENTA,
    'o': (96, 104, 116),    # control outline
    's': (208, 214, 222),   # sunken inner shade
    'w': (255, 255, 255),
    'k': (32, 36, 40),      # tick, dot, letters
    'r': (214, 32, 32),     # red cross
    'R': (150, 16, 16),     # its darker edge
    'G': (24, 150, 40),     # green tick
    'H': (12, 96, 24),      # its darker edge
    'g': (196, 198, 202),   # grey plate
    'e': (138, 142, 150),   # plate edge
    'b': (48, 104, 196),    # title bar, link
    'B': (28, 64, 140),     # title bar edge
    'c': (190, 222, 250),   # glass
    'h': (120, 84, 52),     # handle
    'l': (150, 156, 166),   # grey text lines
    'y': (250, 214, 96),    # folder
    'Y': (196, 150, 40),    # folder edge
    'z': (255, 236, 160),   # folder front, lit
    'v': (232, 236, 242),   # toolbar
}


# --------------------------------------------------------------------------- images

class Image:
    """A width x height grid of (r, g, b) colours or None for transparent."""

    def __init__(self, width, height, fill=None):
        self.width = width
        self.height = height
        self.pixels = [[fill] * width for _ in range(height)]

    def get(self, x, y):
        return self.pixels[y][x]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        """Fills the rectangle with corners (x0, y0) and (x1, y1), both included."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, colour)

    def frame(self, x0, y0, x1, y1, colour, thickness=1):
        for t in range(thickness):
            self.rect(x0 + t, y0 + t, x1 - t, y0 + t, colour)
            self.rect(x0 + t, y1 - t, x1 - t, y1 - t, colour)
            self.rect(x0 + t, y0 + t, x0 + t, y1 - t, colour)
            self.rect(x1 - t, y0 + t, x1 - t, y1 - t, colour)

    def blit(self, other, left, top):
        for y in range(other.height):
            for x in range(other.width):
                colour = other.get(x, y)
                if colour is not None:
                    self.put(left + x, top + y, colour)


def from_map(rows, palette, transparent='.'):
    """An image from a pixel map: one string a row, one character a pixel."""
    height = len(rows)
    width = max(len(row) for row in rows)
    image = Image(width, height)
    for y, row in enumerate(rows):
        for x, ch in enumerate(row):
            if ch != transparent and ch != ' ':
                image.put(x, y, palette[ch])
    return image


def overlay(base_rows, top_rows):
    """A pixel map with the non-blank pixels of `top_rows` drawn over `base_rows`."""
    result = []
    for base, top in zip(base_rows, top_rows):
        base = base.ljust(16, '.')
        top = top.ljust(16, '.')
        result.append(''.join(t if t != '.' else b for b, t in zip(base, top)))
    return result


# --------------------------------------------------------------------------- tree cells

CHECK_BOX = [
    "................",
    ".ooooooooooooo..",
    ".ossssssssssso..",
    ".oswwwwwwwwwwo..",
    ".oswwwwwwwwwwo..",
    ".oswwwwwwwwwwo..",
    ".oswwwwwwwwwwo..",
    ".oswwwwwwwwwwo..",
    ".oswwwwwwwwwwo..",
    ".oswwwwwwwwwwo..",
    ".oswwwwwwwwwwo..",
    ".oswwwwwwwwwwo..",
    ".oswwwwwwwwwwo..",
    ".ooooooooooooo..",
    "................",
    "................",
]
TICK = [
    "................",
    "................",
    "................",
    "................",
    "...........k....",
    "..........kk....",
    "....k....kkk....",
    "....kk..kkk.....",
    "....kkkkkk......",
    ".....kkkk.......",
    "......kk........",
    "................",
    "................",
    "................",
    "................",
    "................",
]

RADIO = [
    "................",
    ".....ooooo......",
    "...oowwwwwoo....",
    "..owwwwwwwwwo...",
    "..owwwwwwwwwo...",
    ".owwwwwwwwwwwo..",
    ".owwwwwwwwwwwo..",
    ".owwwwwwwwwwwo..",
    ".owwwwwwwwwwwo..",
    ".owwwwwwwwwwwo..",
    "..owwwwwwwwwo...",
    "..owwwwwwwwwo...",
    "...oowwwwwoo....",
    ".....ooooo......",
    "................",
    "................",
]

DOT = [
    "................",
    "................",
    "................",
    "................",
    "................",
    "......kkk.......",
    ".....kkkkk......",
    ".....kkkkk......",
    ".....kkkkk......",
    "......kkk.......",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
]

def cross_map(x0, y0, x1, y1, ink='r'):
    """A diagonal cross from corner to corner of the square (x0, y0)-(x1, y1), two pixels
    thick, as a 16 x 16 map; its arms meet in a 2 x 2 heart."""
    rows = [['.'] * 16 for _ in range(16)]
    size = x1 - x0
    for i in range(size + 1):
        for dx in (0, 1):
            for x, y in ((x0 + i + dx, y0 + i), (x1 - i - dx, y0 + i)):
                if x0 <= x <= x1:
                    rows[y][x] = ink
    return [''.join(row) for row in rows]


def plate_map():
    """A grey plate with a darker edge, cols and rows 1 to 14."""
    rows = ['.' * 16, '.' + 'e' * 14 + '.']
    rows += ['.e' + 'g' * 12 + 'e.'] * 12
    rows += ['.' + 'e' * 14 + '.', '.' * 16]
    return rows


RED_CROSS_OVER = cross_map(2, 2, 12, 12)

GREEN_TICK_MARK = [
    "................",
    "................",
    "................",
    "................",
    "...........GG...",
    "..........GGG...",
    ".........GGG....",
    "...GG...GGG.....",
    "...GGG.GGG......",
    "....GGGGGH......",
    ".....GGGH.......",
    "......GH........",
    "................",
    "................",
    "................",
    "................",
]

RED_CROSS_MARK = cross_map(4, 4, 11, 11)

MAGNIFIER = [
    "................",
    "...ooooo........",
    "..oowwcoo.......",
    ".oowccccoo......",
    ".owcccccco......",
    ".occccccco......",
    ".occccccco......",
    ".oocccccoo......",
    "..oocccoohh.....",
    "...ooooohhhh....",
    "..........hhh...",
    "...........hhh..",
    "............hhh.",
    ".............hh.",
    "................",
    "................",
]

TEXT_FIELD = [
    "................",
    "................",
    "................",
    "oooooooooooooooo",
    "osssssssssssssso",
    "oswwwwwwwwwwwwwo",
    "oswwkkkwwwwwwwwo",
    "oswwwwwkwwwwwwwo",
    "oswwkkkkwwwwwwwo",
    "oswkwwwkwwwwwwwo",
    "oswkwwwkwwwwwwwo",
    "oswwkkkkwwwwwwwo",
    "oswwwwwwwwwwwwwo",
    "oooooooooooooooo",
    "................",
    "................",
]

CHOICE_FIELD = [
    "................",
    "................",
    "................",
    "oooooooooooooooo",
    "osssssssoovvvvvo",
    "oswwwwwwovvvvvvo",
    "oswkkkwwovvvvvvo",
    "oswwwwkwovvvvvvo",
    "oswkkkkwovkkkvvo",
    "oskwwwkwovvkvvvo",
    "oskwwwkwovvvvvvo",
    "oswkkkkwovvvvvvo",
    "oswwwwwwovvvvvvo",
    "oooooooooooooooo",
    "................",
    "................",
]

BROWSER = [
    "................",
    "BBBBBBBBBBBBBBBB",
    "BbbbbbbbbbbwBwwB",
    "BbbbbbbbbbbBBBBB",
    "ovvvvvvvvvvvvvvo",
    "ovwwwwwwwwwwwwvo",
    "ovvvvvvvvvvvvvvo",
    "owwwwwwwwwwwwwwo",
    "owbbbbbbwwwwwwwo",
    "owwwwwwwwwwwwwwo",
    "owllllllllllwwwo",
    "owwwwwwwwwwwwwwo",
    "owlllllllllwwwwo",
    "owwwwwwwwwwwwwwo",
    "oooooooooooooooo",
    "................",
]

OPEN_FOLDER = [
    "................",
    "................",
    "................",
    ".YYYY...........",
    "YyyyyY..........",
    "YyyyyyYYYYYYY...",
    "YyyyyyyyyyyyY...",
    "YyyyYYYYYYYYYYYY",
    "YyyYzzzzzzzzzzzY",
    "YyYzzzzzzzzzzzY.",
    "YyYzzzzzzzzzzzY.",
    "YYzzzzzzzzzzzY..",
    "YYzzzzzzzzzzzY..",
    "YYYYYYYYYYYYYY..",
    "................",
    "................",
]


def normalise(rows):
    """Checks that a map is 16 x 16 and uses only colours of the palette."""
    if len(rows) != 16 or any(len(row) != 16 for row in rows):
        raise ValueError('a cell map must be 16 rows of 16 pixels: %r' % (rows,))
    for row in rows:
        for ch in row:
            if ch not in TREE_PALETTE:
                raise ValueError('no colour for %r' % ch)
    return rows


def sunken(rows):
    """Shades the white pixels just inside a control's upper and left outline, so it
    looks pressed into the page."""
    out = [list(row) for row in rows]
    for y in range(16):
        for x in range(16):
            if rows[y][x] == 'w' and ((y > 0 and rows[y - 1][x] == 'o') or (x > 0 and rows[y][x - 1] == 'o')):
                out[y][x] = 's'
    return [''.join(row) for row in out]


def tree_cells():
    """The fifteen 16 x 16 cells of the block tree's image strip, in order."""
    box = normalise(CHECK_BOX)
    ticked = overlay(box, normalise(TICK))
    radio = sunken(normalise(RADIO))
    radio_set = overlay(radio, normalise(DOT))
    cross = normalise(RED_CROSS_OVER)
    maps = [
        box,                        # 0 empty check box
        ticked,                     # 1 ticked check box
        radio,                      # 2 empty radio button
        radio_set,                  # 3 set radio button
        overlay(box, cross),        # 4 empty box, crossed out
        overlay(ticked, cross),     # 5 ticked box, crossed out
        overlay(radio, cross),            # 6 empty radio, crossed out
        overlay(radio_set, cross),        # 7 set radio, crossed out
        overlay(plate_map(), normalise(GREEN_TICK_MARK)),  # 8 green tick on grey
        overlay(plate_map(), RED_CROSS_MARK),              # 9 red cross on grey
        normalise(MAGNIFIER),       # 10 magnifying glass
        normalise(TEXT_FIELD),      # 11 a letter a in a box
        normalise(CHOICE_FIELD),    # 12 the same with a drop-down arrow
        normalise(BROWSER),         # 13 a browser window
        normalise(OPEN_FOLDER),     # 14 an open folder
    ]
    return [from_map(rows, TREE_PALETTE) for rows in maps]


def scale_nearest(image, size):
    """A `size` x `size` copy of a square image, each pixel taken from the one it covers:
    edges stay hard (the mask colour never blends into a picture), so the cells stay crisp."""
    out = Image(size, size)
    for y in range(size):
        for x in range(size):
            out.put(x, y, image.get(x * image.width // size, y * image.height // size))
    return out


def scale2x(image):
    """Doubles an image the way pixel art is doubled (EPX): a pixel's quarter takes the
    colour of the two neighbours it lies between when they agree, so diagonals (ticks,
    crosses, round buttons) come out as smooth steps rather than as doubled stairs."""
    w, h = image.width, image.height
    out = Image(2 * w, 2 * h)

    def px(x, y):
        return image.get(min(max(x, 0), w - 1), min(max(y, 0), h - 1))

    for y in range(h):
        for x in range(w):
            p = px(x, y)
            a, b, c, d = px(x, y - 1), px(x + 1, y), px(x - 1, y), px(x, y + 1)
            quarters = [p, p, p, p]
            if c == a and c != d and a != b:
                quarters[0] = a
            if a == b and a != c and b != d:
                quarters[1] = b
            if d == c and d != b and c != a:
                quarters[2] = c
            if b == d and b != a and d != c:
                quarters[3] = d
            out.put(2 * x, 2 * y, quarters[0])
            out.put(2 * x + 1, 2 * y, quarters[1])
            out.put(2 * x, 2 * y + 1, quarters[2])
            out.put(2 * x + 1, 2 * y + 1, quarters[3])
    return out


# The cell sizes the program picks from by the display's DPI (100 %, 150 %, 200 %).
TREE_CELL_SIZES = (16, 24, 32)


def tree_strip(cell_size=16):
    cells = tree_cells()
    if cell_size == 32:
        cells = [scale2x(cell) for cell in cells]
    elif cell_size != 16:
        cells = [scale_nearest(cell, cell_size) for cell in cells]
    strip = Image(cell_size * len(cells), cell_size, MAGENTA)
    for index, cell in enumerate(cells):
        strip.blit(cell, cell_size * index, 0)
    return strip


# --------------------------------------------------------------------------- state icons

def state_icon(size, colours, outline=None):
    """Two overlapping square frames behind a filled square, like layers seen from above.
    Each shape in front is cut free of those behind by a gap, so they stay apart even when
    all three are drawn in one colour; crumbs of a shape left between two gaps are swept
    away. The shapes keep a margin free all round, so that an `outline` colour, when given,
    can ring every shape (and fill the gaps between them): white shapes then read on a
    light taskbar as well as on a dark one."""
    unit = max(1, size // 16)      # one pixel of the 16 x 16 design
    margin = unit
    inner = size - 2 * margin

    def at(fraction):
        return margin + int(round(fraction * inner))

    owner = [[None] * size for _ in range(size)]  # which shape shows at each pixel

    def square(x0, y0, x1, y1, thickness=None):
        return {(x, y) for y in range(y0, y1 + 1) for x in range(x0, x1 + 1)
                if thickness is None or min(x - x0, x1 - x, y - y0, y1 - y) < thickness}

    def lay(pixels, shape):
        for x, y in pixels:
            for nx in range(x - unit, x + unit + 1):
                for ny in range(y - unit, y + unit + 1):
                    if (nx, ny) not in pixels and 0 <= nx < size and 0 <= ny < size:
                        owner[ny][nx] = None
        for x, y in pixels:
            owner[y][x] = shape

    thickness = 2 * unit
    lay(square(at(0), at(0), at(0.64) - 1, at(0.64) - 1, thickness), 0)
    lay(square(at(0.2), at(0.2), at(0.84) - 1, at(0.84) - 1, thickness), 1)
    lay(square(at(0.46), at(0.46), at(1) - 1, at(1) - 1), 2)

    seen = set()
    for y in range(size):
        for x in range(size):
            if owner[y][x] is None or (x, y) in seen:
                continue
            shape, piece, todo = owner[y][x], [(x, y)], [(x, y)]
            seen.add((x, y))
            while todo:
                px, py = todo.pop()
                for nx, ny in ((px + 1, py), (px - 1, py), (px, py + 1), (px, py - 1)):
                    if 0 <= nx < size and 0 <= ny < size and (nx, ny) not in seen and owner[ny][nx] == shape:
                        seen.add((nx, ny))
                        piece.append((nx, ny))
                        todo.append((nx, ny))
            if len(piece) < size * size // 64:
                for px, py in piece:
                    owner[py][px] = None

    image = Image(size, size)
    for y in range(size):
        for x in range(size):
            if owner[y][x] is not None:
                image.put(x, y, colours[owner[y][x]])
    if outline is not None:
        # Every free pixel within reach of a shape becomes outline; what the shapes cover
        # stays exactly as it was.
        for y in range(size):
            for x in range(size):
                if owner[y][x] is not None:
                    continue
                near = any(0 <= nx < size and 0 <= ny < size and owner[ny][nx] is not None
                           for nx in range(x - unit, x + unit + 1) for ny in range(y - unit, y + unit + 1))
                if near:
                    image.put(x, y, outline)
    return image


# --------------------------------------------------------------------------- program icon

def picture_frame(image, x0, y0, x1, y1, colours, scene):
    """One framed picture: dark outline, moulding, and a small landscape inside."""
    image.frame(x0, y0, x1, y1, colours['outline'])
    image.frame(x0 + 1, y0 + 1, x1 - 1, y1 - 1, colours['moulding'], colours['moulding_width'])
    inner = colours['moulding_width'] + 1
    if colours.get('moulding_light'):
        # Light falls from the top left: the moulding's upper and left sides are lit.
        image.rect(x0 + 1, y0 + 1, x1 - 1, y0 + 1, colours['moulding_light'])
        image.rect(x0 + 1, y0 + 1, x0 + 1, y1 - 1, colours['moulding_light'])
    px0, py0, px1, py1 = x0 + inner, y0 + inner, x1 - inner, y1 - inner
    scene(image, px0, py0, px1, py1)


def landscape(sky, sky_low, far_hill, near_hill, sun):
    """A little landscape: sky in two bands, a far range of hills, a near hill rising to
    the left, and a sun (or none) in the upper left."""
    def draw(image, x0, y0, x1, y1):
        width, height = x1 - x0 + 1, y1 - y0 + 1
        for y in range(y0, y1 + 1):
            image.rect(x0, y, x1, y, sky if (y - y0) * 3 < height else sky_low)
        horizon = y0 + (height * 11) // 20
        for x in range(x0, x1 + 1):
            t = (x - x0) / max(1, width - 1)
            far = horizon - int(round(height * 0.12 * (1 + math.sin(t * 7.0 + 1.0))))
            image.rect(x, max(y0 + 1, far), x, y1, far_hill)
            near = y1 - int(round(height * 0.42 * (1 - ((t - 0.2) / 0.9) ** 2)))
            if near <= y1:
                image.rect(x, max(y0 + 2, near), x, y1, near_hill)
        if sun and width >= 6:
            sx, sy = x0 + width - 1 - max(2, width // 4), y0 + max(1, height // 6)
            if width >= 12:
                image.rect(sx - 1, sy, sx + 2, sy + 1, sun)
                image.rect(sx, sy - 1, sx + 1, sy + 2, sun)
            else:
                image.put(sx, sy, sun)
    return draw


def program_icon(size, rich):
    image = Image(size, size)
    width = 2 if size >= 32 else 1
    if rich:
        gold = {'outline': (70, 46, 18), 'moulding': (200, 150, 60), 'moulding_light': (244, 212, 130),
                'moulding_width': width}
        walnut = {'outline': (50, 30, 16), 'moulding': (140, 92, 48), 'moulding_light': (192, 142, 84),
                  'moulding_width': width}
        silver = {'outline': (56, 60, 70), 'moulding': (150, 158, 172), 'moulding_light': (214, 220, 230),
                  'moulding_width': width}
        scenes = [
            landscape((250, 196, 120), (250, 156, 100), (160, 104, 150), (104, 70, 122), (255, 246, 190)),
            landscape((130, 180, 235), (172, 208, 246), (70, 140, 172), (40, 108, 140), None),
            landscape((80, 150, 235), (140, 196, 250), (116, 184, 92), (52, 140, 52), (255, 214, 40)),
        ]
        shadow = (96, 96, 96)
    else:
        gold = {'outline': VGA16[0], 'moulding': VGA16[3], 'moulding_light': VGA16[11], 'moulding_width': width}
        walnut = {'outline': VGA16[0], 'moulding': VGA16[1], 'moulding_light': VGA16[3], 'moulding_width': width}
        silver = {'outline': VGA16[0], 'moulding': VGA16[8], 'moulding_light': VGA16[7], 'moulding_width': width}
        scenes = [
            landscape(VGA16[11], VGA16[11], VGA16[9], VGA16[1], None),
            landscape(VGA16[14], VGA16[14], VGA16[6], VGA16[4], None),
            landscape(VGA16[14], VGA16[14], VGA16[10], VGA16[2], VGA16[11]),
        ]
        shadow = VGA16[8]

    if size >= 32:
        boxes = [(10, 1, 30, 16), (5, 7, 25, 22), (0, 13, 21, 29)]
    else:
        boxes = [(5, 0, 15, 7), (3, 3, 13, 10), (0, 6, 11, 14)]
    styles = [silver, walnut, gold]
    for (x0, y0, x1, y1), style, scene in zip(boxes, styles, scenes):
        # A shadow one pixel right and below lifts each picture off the one behind it.
        image.rect(x0 + 1, y1 + 1, x1 + 1, y1 + 1, shadow)
        image.rect(x1 + 1, y0 + 1, x1 + 1, y1 + 1, shadow)
        picture_frame(image, x0, y0, x1, y1, style, scene)
    return image


# --------------------------------------------------------------------------- file writers

def nearest(colour, palette):
    r, g, b = colour
    return min(range(len(palette)),
               key=lambda i: (palette[i][0] - r) ** 2 + (palette[i][1] - g) ** 2 + (palette[i][2] - b) ** 2)


def palette_for(image, bits):
    if bits == 4:
        return VGA16
    # Index 0 is black: transparent pixels carry index 0, and the system draws an icon by
    # masking the screen and then XOR-ing the colour, so anything but black would tint
    # what shows through.
    used = [(0, 0, 0)]
    for row in image.pixels:
        for colour in row:
            if colour is not None and colour not in used:
                used.append(colour)
    if len(used) > 256:
        raise ValueError('an 8-bit image may use at most 256 colours')
    return used + [(0, 0, 0)] * (256 - len(used))


def pack_rows(values, bits, width):
    """One bottom-up row of indices (or mask bits), padded to a 4-byte boundary."""
    out = bytearray()
    if bits == 8:
        out.extend(values)
    else:
        per_byte = 8 // bits
        for start in range(0, width, per_byte):
            byte = 0
            for i in range(per_byte):
                value = values[start + i] if start + i < width else 0
                byte |= value << (8 - bits * (i + 1))
            out.append(byte)
    while len(out) % 4:
        out.append(0)
    return bytes(out)


def icon_image_bytes(image, bits):
    """The DIB of one icon image: header (height doubled), palette, colour bits, mask."""
    palette = palette_for(image, bits)
    index_of = {}
    colour_rows, mask_rows = [], []
    for y in reversed(range(image.height)):
        indices, mask = [], []
        for x in range(image.width):
            colour = image.get(x, y)
            if colour is None:
                indices.append(0)
                mask.append(1)
            else:
                if colour not in index_of:
                    index_of[colour] = palette.index(colour) if colour in palette else nearest(colour, palette)
                indices.append(index_of[colour])
                mask.append(0)
        colour_rows.append(pack_rows(indices, bits, image.width))
        mask_rows.append(pack_rows(mask, 1, image.width))
    colours = len(palette)
    header = struct.pack('<IiiHHIIiiII', 40, image.width, image.height * 2, 1, bits, 0,
                         0, 0, 0, colours, 0)
    table = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in palette)
    return header + table + b''.join(colour_rows) + b''.join(mask_rows), colours


def write_ico(path, images):
    """`images`: (image, bits per pixel) pairs, each becoming one entry of the icon."""
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for image, bits in images:
        blob, colours = icon_image_bytes(image, bits)
        entries.append(struct.pack('<BBBBHHII', image.width % 256, image.height % 256,
                                   colours % 256, 0, 1, bits, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    with open(path, 'wb') as f:
        f.write(struct.pack('<HHH', 0, 1, len(images)))
        f.write(b''.join(entries))
        f.write(b''.join(blobs))


def write_bmp(path, image):
    """A 24-bit bottom-up bitmap; transparent pixels, if any, become the mask colour."""
    rows = []
    for y in reversed(range(image.height)):
        row = bytearray()
        for x in range(image.width):
            r, g, b = image.get(x, y) or MAGENTA
            row.extend((b, g, r))
        while len(row) % 4:
            row.append(0)
        rows.append(bytes(row))
    bits = b''.join(rows)
    info = struct.pack('<IiiHHIIiiII', 40, image.width, image.height, 1, 24, 0, len(bits),
                       2835, 2835, 0, 0)
    with open(path, 'wb') as f:
        f.write(struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(bits), 0, 0, 14 + len(info)))
        f.write(info)
        f.write(bits)


# --------------------------------------------------------------------------- main

def main(argv):
    out = argv[1] if len(argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    write_ico(os.path.join(out, 'hushbar.ico'), [
        (program_icon(32, True), 8), (program_icon(16, True), 8),
        (program_icon(32, False), 4), (program_icon(16, False), 4),
    ])
    coloured = [VGA16[9], VGA16[14], VGA16[10]]  # red, cyan, green
    white = [VGA16[15]] * 3
    # The tray shows the small size, the dialog the large one; 24 and 48 are those sizes
    # at 150 %.
    state_sizes = (16, 24, 32, 48)
    write_ico(os.path.join(out, 'state_off.ico'), [(state_icon(size, coloured), 4) for size in state_sizes])
    write_ico(os.path.join(out, 'state_on.ico'),
              [(state_icon(size, white, outline=VGA16[0]), 4) for size in state_sizes])
    for size in TREE_CELL_SIZES:
        name = 'tree_images.bmp' if size == 16 else 'tree_images_%d.bmp' % size
        write_bmp(os.path.join(out, name), tree_strip(size))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
