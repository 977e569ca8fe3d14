"""What the game should show: the camera, a model of the puzzle's stickers,
and the colours of the data files.

The camera is the game's: a 45-degree perspective (near 0.1, far 100) whose
eye sits at the origin, and the puzzle's centre at (1.5, 1.5, -15) in eye
space, turned by the view tilt about X and then the view spin about Y. A point
p of the puzzle is seen at T + Rx(tilt) * Ry(spin) * p.
"""

import math
import struct

FOVY_DEGREES = 45.0
PUZZLE_CENTRE = (1.5, 1.5, -15.0)

# Side slots of the solved puzzle by outward normal, and the data file that
# textures each slot.
SIDE_SLOTS = {
    (0, 0, 1): 0,   # front
    (0, 1, 0): 1,   # top
    (-1, 0, 0): 2,  # left
    (0, -1, 0): 3,  # bottom
    (0, 0, -1): 4,  # back
    (1, 0, 0): 5,   # right
}
SLOT_FILES = {0: "Data1.dll", 1: "Data2.dll", 2: "Data3.dll", 3: "Data4.dll",
              4: "Data5.dll", 5: "Data7.dll", 6: "Data6.dll", 8: "Data8.dll"}
SLOT_NAMES = {0: "front", 1: "top", 2: "left", 3: "bottom", 4: "back", 5: "right"}

# The 18 layer turns by number: (axis, slab, sense) and the keypad chord that
# asks for it (anchor first).
TURNS = {
    0: ("x", 1, -90, (6, 9)), 1: ("x", 1, 90, (6, 3)),
    2: ("y", -1, 90, (2, 3)), 3: ("y", -1, -90, (2, 1)),
    4: ("x", -1, -90, (4, 7)), 5: ("x", -1, 90, (4, 1)),
    6: ("y", 1, 90, (8, 9)), 7: ("y", 1, -90, (8, 7)),
    8: ("x", 0, -90, (5, 8)), 9: ("x", 0, 90, (5, 2)),
    10: ("y", 0, 90, (5, 6)), 11: ("y", 0, -90, (5, 4)),
    12: ("z", -1, 90, (0, 7)), 13: ("z", -1, -90, (0, 9)),
    14: ("z", 0, 90, (0, 4)), 15: ("z", 0, -90, (0, 6)),
    16: ("z", 1, 90, (0, 1)), 17: ("z", 1, -90, (0, 3)),
}

AXIS_INDEX = {"x": 0, "y": 1, "z": 2}


# ---------------------------------------------------------------------------
# Camera.

def _rot_x(p, degrees):
    a = math.radians(degrees)
    c, s = math.cos(a), math.sin(a)
    x, y, z = p
    return (x, c * y - s * z, s * y + c * z)


def _rot_y(p, degrees):
    a = math.radians(degrees)
    c, s = math.cos(a), math.sin(a)
    x, y, z = p
    return (c * x + s * z, y, -s * x + c * z)


def to_eye(p, tilt=0.0, spin=0.0):
    """Eye-space position of puzzle point p under the given view angles."""
    q = _rot_x(_rot_y(p, spin), tilt)
    return tuple(a + b for a, b in zip(q, PUZZLE_CENTRE))


def project(p_eye, width, height):
    """Pixel position (column, row from the top, both float) of an eye-space
    point, for a viewport of width x height."""
    f = 1.0 / math.tan(math.radians(FOVY_DEGREES) / 2.0)
    aspect = width / float(height)
    x, y, z = p_eye
    ndc_x = f / aspect * x / -z
    ndc_y = f * y / -z
    return ((ndc_x + 1.0) * 0.5 * width, (1.0 - (ndc_y + 1.0) * 0.5) * height)


def facing_viewer(centre, normal, tilt=0.0, spin=0.0):
    """True when a face with this centre and outward normal faces the eye."""
    c = to_eye(centre, tilt, spin)
    n = _rot_x(_rot_y(normal, spin), tilt)
    return -(c[0] * n[0] + c[1] * n[1] + c[2] * n[2]) > 1e-6


def sticker_centre(position, normal):
    """Puzzle-space centre of the sticker of cubie `position` facing `normal`."""
    return tuple(p + 0.5 * n for p, n in zip(position, normal))


def face_stickers(normal):
    """The nine (position, normal) stickers of one side, in reading order as
    seen from outside with the puzzle unturned (front: top row left to right)."""
    axis = [i for i in range(3) if normal[i] != 0][0]
    out = []
    for a in (1, 0, -1):
        for b in (-1, 0, 1):
            pos = [0, 0, 0]
            pos[axis] = normal[axis]
            if axis == 2:
                pos[0], pos[1] = b, a
            elif axis == 1:
                pos[0], pos[2] = b, -a * normal[1]
            else:
                pos[2], pos[1] = -b * normal[0], a
            out.append((tuple(pos), normal))
    return out


def front_sample_points(width, height, tilt=0.0, spin=0.0, normal=(0, 0, 1)):
    """Pixel positions of the nine sticker centres of one side."""
    return [project(to_eye(sticker_centre(p, n), tilt, spin), width, height)
            for p, n in face_stickers(normal)]


# ---------------------------------------------------------------------------
# The puzzle: each outward sticker is (position, normal) -> slot.

def _rotate_int(v, axis, sense):
    """Quarter turn of an integer vector about an axis, right-hand rule."""
    x, y, z = v
    if axis == "x":
        return (x, -z, y) if sense > 0 else (x, z, -y)
    if axis == "y":
        return (z, y, -x) if sense > 0 else (-z, y, x)
    return (-y, x, z) if sense > 0 else (y, -x, z)


class Puzzle:
    def __init__(self):
        self.stickers = {}
        self.solve()

    def solve(self):
        self.stickers = {}
        for normal, slot in SIDE_SLOTS.items():
            for pos, n in face_stickers(normal):
                self.stickers[(pos, n)] = slot

    def turn(self, axis, slab, sense):
        i = AXIS_INDEX[axis]
        moved = {}
        for (pos, n), slot in self.stickers.items():
            if pos[i] == slab:
                moved[(_rotate_int(pos, axis, sense), _rotate_int(n, axis, sense))] = slot
            else:
                moved[(pos, n)] = slot
        self.stickers = moved

    def apply(self, number):
        axis, slab, sense, _ = TURNS[number]
        self.turn(axis, slab, sense)

    def spin_whole(self, sense):
        """The whole puzzle a quarter turn about Y."""
        for slab in (-1, 0, 1):
            self.turn("y", slab, sense)

    def side(self, normal=(0, 0, 1)):
        return [self.stickers[s] for s in face_stickers(normal)]


# ---------------------------------------------------------------------------
# Colours of the data files: the colour a texture shows at its centre.

def _dib_parts(data):
    """(info header size, width, height, bits, compression, colour table as
    (r, g, b) list, pixel bytes) of a DIB file, with or without file header."""
    offset = None
    if data[:2] == b"BM" and len(data) >= 18:
        offset = struct.unpack_from("<I", data, 10)[0]
        data = data[14:]
        offset -= 14
    size = struct.unpack_from("<I", data, 0)[0]
    if size == 12:
        width, height, _, bits = struct.unpack_from("<HHHH", data, 4)
        compression, used, entry = 0, 0, 3
    elif size >= 40:
        width, height, _, bits, compression = struct.unpack_from("<iiHHI", data, 4)
        used = struct.unpack_from("<I", data, 32)[0]
        entry = 4
    else:
        raise ValueError("not a DIB")
    colours = used or (1 << bits if bits <= 8 else 0)
    table_at = size + (12 if compression == 3 and size == 40 else 0)
    table = []
    for k in range(colours):
        b, g, r = data[table_at + k * entry: table_at + k * entry + 3]
        table.append((r, g, b))
    if offset is None:
        offset = table_at + colours * entry
    return width, height, bits, compression, table, data[offset:]


def _rle8_rows(bits, width, height):
    rows = [[0] * width for _ in range(abs(height))]
    x = y = i = 0
    while i + 1 < len(bits) and y < len(rows):
        count, value = bits[i], bits[i + 1]
        i += 2
        if count:
            for _ in range(count):
                if x < width:
                    rows[y][x] = value
                x += 1
        elif value == 0:
            x, y = 0, y + 1
        elif value == 1:
            break
        elif value == 2:
            x += bits[i]
            y += bits[i + 1]
            i += 2
        else:
            for k in range(value):
                if x < width:
                    rows[y][x] = bits[i + k]
                x += 1
            i += value + (value & 1)
    return rows


def dib_centre_colour(path):
    """Mean colour of the four texels at the centre of a DIB file, the colour
    that linear filtering gives in the middle of a face."""
    with open(path, "rb") as f:
        data = f.read()
    width, height, bits, compression, table, pix = _dib_parts(data)
    h = abs(height)
    if compression == 1 and bits == 8:
        rows = _rle8_rows(pix, width, height)

        def texel(x, y):
            return table[rows[y][x]]
    elif compression == 0 and bits in (4, 8, 24, 32):
        stride = (width * bits + 31) // 32 * 4

        def texel(x, y):
            row = pix[y * stride:(y + 1) * stride]
            if bits == 24 or bits == 32:
                k = x * bits // 8
                return (row[k + 2], row[k + 1], row[k])
            if bits == 8:
                return table[row[x]]
            byte = row[x // 2]
            return table[(byte >> 4) if x % 2 == 0 else (byte & 15)]
    else:
        raise ValueError("unsupported DIB encoding in %s" % path)
    picks = [texel(x, y) for x in (width // 2 - 1, width // 2) for y in (h // 2 - 1, h // 2)]
    return tuple(sum(c[k] for c in picks) / 4.0 for k in range(3))


def colour_distance(a, b):
    return math.sqrt(sum((x - y) ** 2 for x, y in zip(a, b)))


def classify(colour, palette):
    """(slot, distance) of the palette entry nearest to colour."""
    best = min(palette.items(), key=lambda kv: colour_distance(colour, kv[1]))
    return best[0], colour_distance(colour, best[1])


# ---------------------------------------------------------------------------
# What each pixel should show: a ray from the eye through the pixel, into the
# puzzle's box, gives the side and the sticker it meets first.

EDGE_MARGIN = 0.2  # sticker-local distance from a sticker edge treated as unsure


def _unrotate(v, tilt, spin):
    """Inverse of the view rotation: eye-space direction to puzzle space."""
    return _rot_y(_rot_x(v, -tilt), -spin)


def ray_sticker(px, py, width, height, tilt=0.0, spin=0.0):
    """The (position, normal) sticker the ray through pixel (px, py) meets
    first, None when it misses the puzzle, or "edge" when it meets the puzzle
    close to a sticker's border or the puzzle's outline (unsure)."""
    f = 1.0 / math.tan(math.radians(FOVY_DEGREES) / 2.0)
    aspect = width / float(height)
    ndc_x = px / width * 2.0 - 1.0
    ndc_y = 1.0 - py / height * 2.0
    d_eye = (ndc_x * aspect / f, ndc_y / f, -1.0)
    origin = _unrotate(tuple(-c for c in PUZZLE_CENTRE), tilt, spin)
    d = _unrotate(d_eye, tilt, spin)
    t_near, t_far, hit_axis = -1e30, 1e30, None
    for i in range(3):
        if abs(d[i]) < 1e-12:
            if abs(origin[i]) > 1.5:
                return None
            continue
        t1 = (-1.5 - origin[i]) / d[i]
        t2 = (1.5 - origin[i]) / d[i]
        lo, hi = min(t1, t2), max(t1, t2)
        if lo > t_near:
            t_near, hit_axis = lo, i
        t_far = min(t_far, hi)
    if t_near > t_far or t_far < 0 or hit_axis is None:
        return None
    # Rays grazing the outline are unsure: they may meet the puzzle or pass by.
    if t_far - t_near < 0.3:
        return "edge"
    hit = [origin[i] + t_near * d[i] for i in range(3)]
    normal = [0, 0, 0]
    normal[hit_axis] = 1 if d[hit_axis] < 0 else -1
    # A side seen at a grazing angle squeezes its stickers' borders together.
    if abs(d[hit_axis]) / math.sqrt(d[0] ** 2 + d[1] ** 2 + d[2] ** 2) < 0.35:
        return "edge"
    pos = [0, 0, 0]
    pos[hit_axis] = normal[hit_axis]
    for i in range(3):
        if i == hit_axis:
            continue
        c = hit[i] + 1.5             # 0..3 across the side
        cell = min(2, max(0, int(math.floor(c))))
        local = c - cell
        if local < EDGE_MARGIN or local > 1.0 - EDGE_MARGIN:
            return "edge"
        pos[i] = cell - 1
    return (tuple(pos), tuple(normal))


def expected_slot(puzzle, px, py, width, height, tilt=0.0, spin=0.0):
    """Slot the pixel should show; None for no puzzle there, "edge" unsure."""
    s = ray_sticker(px, py, width, height, tilt, spin)
    if s is None or s == "edge":
        return s
    return puzzle.stickers[s]


def compare_picture(puzzle, shot, palette, tilt=0.0, spin=0.0, step=5, colour_at=None):
    """Compares a grid of pixels with the model. Returns (checked, wrong,
    examples): pixels whose expected sticker is sure, the ones showing another
    side colour than expected, and a few of those as text."""
    w, h, _ = shot
    checked = wrong = 0
    examples = []
    for py in range(step // 2, h, step):
        for px in range(step // 2, w, step):
            exp = expected_slot(puzzle, px, py, w, h, tilt, spin)
            if exp is None or exp == "edge":
                continue
            checked += 1
            got, dist = classify(colour_at(shot, px, py, 0), palette)
            if got != exp or dist > 70:
                wrong += 1
                if len(examples) < 6:
                    examples.append("(%d,%d) expected %s, saw %s" % (
                        px, py, SLOT_NAMES.get(exp, exp),
                        SLOT_NAMES.get(got, got) if dist <= 70 else "no side colour"))
    return checked, wrong, examples
