"""What the game should show: a model of the puzzle's stickers, the colours of
the data files, and the camera: 45-degree perspective, the eye at the origin,
the puzzle's centre T = (1.5, 1.5, -15), so point p is seen at T + Rx(tilt) Ry(spin) p.
"""

import itertools
import math
import struct

CENTRE = (1.5, 1.5, -15.0)
FOCAL = 1.0 / math.tan(math.radians(45.0) / 2.0)

# Side slot of the solved puzzle by outward normal; the data file of each slot.
SIDE_SLOTS = {(0, 0, 1): 0, (0, 1, 0): 1, (-1, 0, 0): 2, (0, -1, 0): 3, (0, 0, -1): 4,
              (1, 0, 0): 5}
SLOT_FILES = {0: "Data1.dll", 1: "Data2.dll", 2: "Data3.dll", 3: "Data4.dll",
              4: "Data5.dll", 5: "Data7.dll", 8: "Data8.dll"}
SLOT_NAMES = {0: "front", 1: "top", 2: "left", 3: "bottom", 4: "back", 5: "right", None: "-"}

# The 18 layer turns by number: (axis, slab, sense, keypad chord, anchor first).
TURNS = {
    0: (0, 1, -90, (6, 9)), 1: (0, 1, 90, (6, 3)), 2: (1, -1, 90, (2, 3)),
    3: (1, -1, -90, (2, 1)), 4: (0, -1, -90, (4, 7)), 5: (0, -1, 90, (4, 1)),
    6: (1, 1, 90, (8, 9)), 7: (1, 1, -90, (8, 7)), 8: (0, 0, -90, (5, 8)),
    9: (0, 0, 90, (5, 2)), 10: (1, 0, 90, (5, 6)), 11: (1, 0, -90, (5, 4)),
    12: (2, -1, 90, (0, 7)), 13: (2, -1, -90, (0, 9)), 14: (2, 0, 90, (0, 4)),
    15: (2, 0, -90, (0, 6)), 16: (2, 1, 90, (0, 1)), 17: (2, 1, -90, (0, 3)),
}


def _rot(p, axis, degrees):
    """p turned about axis 0 (X) or 1 (Y), right-hand rule."""
    c, s = math.cos(math.radians(degrees)), math.sin(math.radians(degrees))
    x, y, z = p
    return (x, c * y - s * z, s * y + c * z) if axis == 0 else (c * x + s * z, y, c * z - s * x)


def project(p, width, height):
    """Pixel (column, row from the top) where puzzle point p is seen unturned."""
    x, y, z = (a + b for a, b in zip(p, CENTRE))
    return ((FOCAL * height / width * x / -z + 1.0) * 0.5 * width,
            (1.0 - FOCAL * y / -z) * 0.5 * height)


# The nine front stickers, (position, normal), in reading order.
FRONT = [((b, a, 1), (0, 0, 1)) for a in (1, 0, -1) for b in (-1, 0, 1)]


def front_sample_points(width, height):
    """Pixel positions of the nine front sticker centres."""
    return [project((x, y, 1.5), width, height) for (x, y, _), _ in FRONT]


def _quarter(v, axis, sense):
    """Quarter turn of an integer vector about an axis, right-hand rule."""
    i, j, out = (axis + 1) % 3, (axis + 2) % 3, list(v)
    out[i], out[j] = (-v[j], v[i]) if sense > 0 else (v[j], -v[i])
    return tuple(out)


class Puzzle:
    """Each outward sticker, (position, normal) -> slot."""

    def __init__(self, turns=()):
        self.stickers = {(p, n): slot for n, slot in SIDE_SLOTS.items()
                         for p in itertools.product((-1, 0, 1), repeat=3)
                         if sum(a * b for a, b in zip(p, n)) == 1}
        for number in turns:
            self.apply(number)

    def turn(self, axis, slab, sense):
        self.stickers = {((_quarter(p, axis, sense), _quarter(n, axis, sense))
                          if p[axis] == slab else (p, n)): slot
                         for (p, n), slot in self.stickers.items()}

    def apply(self, number):
        self.turn(*TURNS[number][:3])

    def spin_whole(self, sense):
        for slab in (-1, 0, 1):
            self.turn(1, slab, sense)

    def front(self):
        return [self.stickers[s] for s in FRONT]


def dib_centre_colour(path):
    """Mean colour of the four texels at the centre of a DIB file (with or
    without file header), the colour linear filtering gives mid-face."""
    with open(path, "rb") as f:
        data = f.read()
    offset = None
    if data[:2] == b"BM":
        offset = struct.unpack_from("<I", data, 10)[0] - 14
        data = data[14:]
    size = struct.unpack_from("<I", data)[0]
    if size == 12:
        w, h, _, bits = struct.unpack_from("<HHHH", data, 4)
        comp, used, entry = 0, 0, 3
    else:
        w, h, _, bits, comp = struct.unpack_from("<iiHHI", data, 4)
        used, entry = struct.unpack_from("<I", data, 32)[0], 4
    count = used or (1 << bits if bits <= 8 else 0)
    table = [tuple(data[size + k * entry + 2 - c] for c in range(3)) for k in range(count)]
    pix = data[size + count * entry if offset is None else offset:]
    h = abs(h)
    if comp == 1:   # RLE8, decoded to one index per texel
        idx, x, y, i = bytearray(w * h), 0, 0, 0
        while i + 1 < len(pix) and y < h and pix[i:i + 2] != b"\0\1":
            n, v, i = pix[i], pix[i + 1], i + 2
            if n or v > 2:   # a run of one index, or v indices
                run, i = ([v] * n, i) if n else (pix[i:i + v], i + v + (v & 1))
                for k, v in enumerate(run):
                    if x + k < w:
                        idx[y * w + x + k] = v
                x += len(run)
            else:   # end of line, or a jump
                x, y, i = (0, y + 1, i) if v == 0 else (x + pix[i], y + pix[i + 1], i + 2)
        texel = lambda x, y: table[idx[y * w + x]]  # noqa: E731
    else:
        stride = (w * bits + 31) // 32 * 4

        def texel(x, y):
            k = y * stride + x * bits // 8
            if bits >= 24:
                return (pix[k + 2], pix[k + 1], pix[k])
            return table[pix[k] if bits == 8 else pix[k] >> 4 if x % 2 == 0 else pix[k] & 15]
    picks = [texel(x, y) for x in (w // 2 - 1, w // 2) for y in (h // 2 - 1, h // 2)]
    return tuple(sum(c[k] for c in picks) / 4.0 for k in range(3))


def classify(colour, palette):
    """(slot, distance) of the palette entry nearest to colour."""
    return min(((s, math.dist(colour, c)) for s, c in palette.items()), key=lambda t: t[1])


def expected_slot(puzzle, px, py, width, height, tilt=0.0, spin=0.0):
    """The slot the ray through pixel (px, py) meets first; None when it
    misses the puzzle, "edge" when it is unsure: near a sticker's border or
    the puzzle's outline, or on a side seen at a grazing angle."""
    d = ((px / width * 2.0 - 1.0) * width / height / FOCAL, (1.0 - py / height * 2.0) / FOCAL,
         -1.0)
    origin = _rot(_rot(tuple(-c for c in CENTRE), 0, -tilt), 1, -spin)
    d = _rot(_rot(d, 0, -tilt), 1, -spin)
    t_near, t_far, hit_axis = -1e30, 1e30, None
    for i in range(3):
        if abs(d[i]) < 1e-12:
            if abs(origin[i]) > 1.5:
                return None
            continue
        lo, hi = sorted(((-1.5 - origin[i]) / d[i], (1.5 - origin[i]) / d[i]))
        if lo > t_near:
            t_near, hit_axis = lo, i
        t_far = min(t_far, hi)
    if t_near > t_far or t_far < 0 or hit_axis is None:
        return None
    if t_far - t_near < 0.3 or abs(d[hit_axis]) / math.hypot(*d) < 0.35:
        return "edge"
    pos, normal = [0, 0, 0], [0, 0, 0]
    pos[hit_axis] = normal[hit_axis] = 1 if d[hit_axis] < 0 else -1
    for i in range(3):
        if i != hit_axis:
            c = origin[i] + t_near * d[i] + 1.5    # 0..3 across the side
            cell = min(2, max(0, int(math.floor(c))))
            if not 0.2 <= c - cell <= 0.8:
                return "edge"
            pos[i] = cell - 1
    return puzzle.stickers[(tuple(pos), tuple(normal))]


def compare(puzzle, samples, width, height, palette, tilt=0.0, spin=0.0, limit=70,
            misses=False):
    """Compares pixels [(px, py, colour)] with the model, over those whose
    expected sticker is sure (and, with `misses`, those that should show no
    side). A colour farther than `limit` from every side colour shows none.
    Returns (checked, wrong, a few wrong ones as text)."""
    checked = wrong = 0
    examples = []
    for px, py, colour in samples:
        exp = expected_slot(puzzle, px, py, width, height, tilt, spin)
        if exp == "edge" or (exp is None and not misses):
            continue
        got, dist = classify(colour, palette)
        got = got if dist <= limit and got in SLOT_NAMES else None
        checked += 1
        if got != exp:
            wrong += 1
            if len(examples) < 6:
                examples.append("(%d,%d) expected %s, saw %s"
                                % (px, py, SLOT_NAMES[exp], SLOT_NAMES[got]))
    return checked, wrong, examples
