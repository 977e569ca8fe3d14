"""A model of the puzzle's stickers and of the camera, shared by the desktop
and the page's end-to-end tests: which side's colour each pixel of a picture
must show after a list of turns, seen at a given tilt and spin."""

import itertools
import math

from gen import make_data  # the side colours the build draws

CENTRE, FOCAL = (1.5, 1.5, -15.0), 1.0 / math.tan(math.radians(22.5))
SIDES = {(0, 0, 1): 0, (0, 1, 0): 1, (-1, 0, 0): 2, (0, -1, 0): 3, (0, 0, -1): 4, (1, 0, 0): 5}
PALETTE = {slot: tuple(min(255, 1.02 * c) for c in base) for slot, base in enumerate(
    (make_data.GREEN, make_data.WHITE, make_data.ORANGE, make_data.YELLOW, make_data.BLUE,
     make_data.RED))}
# Turn number: (axis, slab, sense, keypad chord).
TURNS = [(0, 1, -90, (6, 9)), (0, 1, 90, (6, 3)), (1, -1, 90, (2, 3)), (1, -1, -90, (2, 1)),
         (0, -1, -90, (4, 7)), (0, -1, 90, (4, 1)), (1, 1, 90, (8, 9)), (1, 1, -90, (8, 7)),
         (0, 0, -90, (5, 8)), (0, 0, 90, (5, 2)), (1, 0, 90, (5, 6)), (1, 0, -90, (5, 4)),
         (2, -1, 90, (0, 7)), (2, -1, -90, (0, 9)), (2, 0, 90, (0, 4)), (2, 0, -90, (0, 6)),
         (2, 1, 90, (0, 1)), (2, 1, -90, (0, 3))]


def quarter(v, axis, sense):
    i, j, out = (axis + 1) % 3, (axis + 2) % 3, list(v)
    out[i], out[j] = (-v[j], v[i]) if sense > 0 else (v[j], -v[i])
    return tuple(out)


class Puzzle:
    def __init__(self):
        self.stickers = {(p, n): s for n, s in SIDES.items()
                         for p in itertools.product((-1, 0, 1), repeat=3)
                         if sum(a * b for a, b in zip(p, n)) == 1}

    def turn(self, axis, slab, sense):
        self.stickers = {((quarter(p, axis, sense), quarter(n, axis, sense))
                          if p[axis] == slab else (p, n)): s for (p, n), s in self.stickers.items()}
        return self

    def spun(self, quarters):
        out = Puzzle()
        out.stickers = dict(self.stickers)
        for _ in range(quarters % 4):
            for slab in (-1, 0, 1):
                out.turn(1, slab, 90)
        return out


def rot(p, axis, degrees):
    c, s = math.cos(math.radians(degrees)), math.sin(math.radians(degrees))
    x, y, z = p
    return (x, c * y - s * z, s * y + c * z) if axis == 0 else (c * x + s * z, y, c * z - s * x)


def drawn_at(point, w, h, tilt, spin):
    """The pixel of a w x h picture where a point of the puzzle is drawn, seen at tilt and spin: the way
    back along seen_slot's ray."""
    e = [a + c for a, c in zip(rot(rot(point, 1, spin), 0, tilt), CENTRE)]
    return (1 + e[0] / -e[2] * FOCAL * h / w) * w / 2, (1 - e[1] / -e[2] * FOCAL) * h / 2


def seen_slot(puzzle, px, py, w, h, tilt, spin):
    """The slot the ray through pixel (px, py) meets; None off the puzzle;
    "edge" near a border or on a side seen at a grazing angle."""
    d = rot(rot(((2 * px / w - 1) * w / h / FOCAL, (1 - 2 * py / h) / FOCAL, -1.0), 0, -tilt), 1, -spin)
    o = rot(rot(tuple(-c for c in CENTRE), 0, -tilt), 1, -spin)
    near, far, axis = -1e30, 1e30, None
    for i in range(3):
        if abs(d[i]) > 1e-12:
            lo, hi = sorted(((-1.5 - o[i]) / d[i], (1.5 - o[i]) / d[i]))
            near, axis = (lo, i) if lo > near else (near, axis)
            far = min(far, hi)
        elif abs(o[i]) > 1.5:
            return None
    if axis is None or near > far:
        return None
    if far - near < 0.3 or abs(d[axis]) / math.hypot(*d) < 0.35:
        return "edge"
    pos, normal = [0, 0, 0], [0, 0, 0]
    pos[axis] = normal[axis] = 1 if d[axis] < 0 else -1
    for i in {0, 1, 2} - {axis}:
        c = o[i] + near * d[i] + 1.5
        if not 0.2 <= c % 1 <= 0.8:
            return "edge"
        pos[i] = min(2, int(c)) - 1
    return puzzle.stickers[(tuple(pos), tuple(normal))]


def wrong_share(puzzle, samples, w, h, tilt=0.0, spin=0.0):
    """The share of sampled pixels [(x, y, colour)] on the puzzle whose
    nearest side colour is not the model's."""
    checked = wrong = 0
    for px, py, colour in samples:
        want = seen_slot(puzzle, px, py, w, h, tilt, spin)
        if want in PALETTE:
            slot, dist = min(((s, math.dist(colour, c)) for s, c in PALETTE.items()),
                             key=lambda t: t[1])
            checked += 1
            wrong += (slot if dist < 70 else None) != want
    return wrong / max(checked, 1)



def best_fit(puzzles, samples, w, h, tilt=0.0, around=0.0, reach=47.0):
    """(wrong share, index into puzzles, spin) of the model view that fits the
    samples best: whole degrees within `reach` of `around`, then eighths."""
    best = (1.0, 0, around)
    for step, span in ((1.0, reach), (0.125, 1.0)):
        centre = best[2]
        best = min((wrong_share(p, samples, w, h, tilt, centre + k * step), i, centre + k * step)
                   for i, p in enumerate(puzzles)
                   for k in range(-int(span / step), int(span / step) + 1))
    return best
