#!/usr/bin/env python3
"""Writes the level data text files of stages 2 to 9 (game/stage/levels/stageS_areaA.txt).

Each area is laid out from a few screen templates:
  walk screens   the route: a floor row (type 1 tiles, or stone blocks) the hero walks along, with crates,
                 hazards and doors (with their switches before them) on it;
  ground         stacks under the walk floor: solid blocks right under the floor, background tiles below them;
  sky            the screens above the route: background tiles, floating ledges and moving platforms, some
                 reached by ladders from the route;
  ladders        where the route climbs to a higher row, and up to the ledges.
Last, RESHAPE moves single pieces of an area so that the stage items of the placement lists, which stand at fixed
places, rest in the open with a way leading to them.
The counts of every type, cell, layer and pool come from the design rows in tests/game_stage/level_data_test.cpp,
so the files always match what the validator expects. The text files are what the build compiles; this script is
only a way to rewrite them. Run: scripts/level_gen.py [STAGE_AREA...]
The areas in HAND_WRITTEN are designed by hand: this script never rewrites them.
"""
import math
import os
import random
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
LEVELS = os.path.join(ROOT, "game", "stage", "levels")

# Solid box top (surface) of each gimmick type, relative to its y.
SURFACE = {1: 45, 3: 0, 6: 45, 7: 10, 10: 45, 11: 45, 12: 0, 13: 45, 14: 45, 15: 45, 16: 45}
NON_SOLID = {0, 2}
SKY_SOLIDS = [1, 3, 6, 7, 10, 11, 12, 13, 14, 15, 16]
FULL_SCREEN_C = {10, 3, 1, 11, 4, 9, 5, 2, 6}

# The lowest row the camera shows per column (game/player/player_globals.cpp), by stage and area.
SPLIT_13 = [1] * 14 + [2] * 6
SPLIT_10_15 = [2] * 11 + [1] * 5 + [3] * 4
CAMERA_FLOOR = {
    (2, 1): [1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1],
    (2, 2): [2, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 1, 2, 1, 1, 1, 1, 1, 1],
    (3, 1): [1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2],
    (3, 2): [2, 2, 2, 2, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3],
    (4, 1): [2, 2, 2, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3],
    (4, 2): [1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2],
    (5, 1): [2] * 20,
    (5, 2): [3, 3, 3, 3, 3, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2],
    (6, 1): SPLIT_13,
    (6, 2): SPLIT_10_15,
    (7, 1): SPLIT_13,
}
# The start row and the start's y offset in it (stage entry).
START = {(2, 1): (1, 300), (2, 2): (2, 320), (3, 1): (1, 250), (3, 2): (1, 320), (4, 1): (1, 320),
         (4, 2): (1, 320), (5, 1): (1, 200), (5, 2): (2, 320), (6, 1): (1, 320), (6, 2): (0, 0), (7, 1): (1, 0)}

TITLES = {
    (2, 1): "the lower town, the route drops into the canals in the middle and climbs back out",
    (2, 2): "the waterworks, ten doors opened by switches, down in the lowest row and back up to the exit",
    (3, 1): "the lake shore, water under the ledges",
    (3, 2): "the flooded halls, four rows deep, one door",
    (4, 1): "the forest, four rows of trees and roots",
    (4, 2): "the ravine, moving platforms and a lift",
    (5, 1): "the mine, spikes along the floors",
    (5, 2): "the deep mine, long ladders and spike rows, one door",
    (6, 1): "the tower approach, half tiles and traps",
    (6, 2): "the tower, four rows, the exit past the last screen",
    (7, 1): "the arena, shared by stages 7 and 8; its two doors are driven by the fight",
}


# ---------------------------------------------------------------- the design rows of the validator

def design_rows():
    text = open(os.path.join(ROOT, "tests", "game_stage", "level_data_test.cpp")).read()
    body = text[text.index("const Expected kExpected[] = {"):]
    body = body[:body.index("\n};")]
    tokens = re.findall(r'"[^"]*"|-?\d+', body.split("=", 1)[1])
    rows = {}
    for i in range(0, len(tokens), 24):
        t = tokens[i:i + 24]
        n = lambda k: int(t[k])
        s = lambda k: t[k][1:-1]
        row = dict(stage=n(0), area=n(1), hero=n(2), columns=n(3), rows=n(4), shape=s(5), exit=n(6),
                   gimmicks=s(7), a=s(8), a_layers=[n(9), n(10), n(11)], b=s(12), b_layers=[n(13), n(14), n(15)],
                   c=s(16), c_layers=[n(17), n(18), n(19)], tops=n(20), bodies=n(21), hazards=s(22), enemies=s(23))
        rows[(row["stage"], row["area"], row["hero"])] = row
    return rows


def counted(text):
    out = []
    for item in filter(None, text.split(",")):
        m = re.match(r"(\d+)(?:\((\d+)\))?$", item)
        out += [int(m.group(1))] * int(m.group(2) or 1)
    return out


def gimmick_kinds(text):
    out = {}
    for item in filter(None, text.split(";")):
        m = re.match(r"(\d+):(\d+)(?:\(([\d,]+)\))?$", item)
        out[int(m.group(1))] = (int(m.group(2)), [int(c) for c in (m.group(3) or "").split(",") if c])
    return out


def shape_screens(text):
    out = {}
    for part in text.split(";"):
        cols, rows = part.split(":")
        first, _, last = cols.partition("-")
        for c in range(int(first), int(last or first) + 1):
            out.setdefault(c, set()).update(int(r) for r in rows.split(","))
    return out


# ---------------------------------------------------------------- the area being built

class Area:
    def __init__(self, key, row, rows_hero1, seed):
        self.key = key
        self.stage, self.area = key
        self.row = row
        self.rnd = random.Random(seed)
        self.shape = shape_screens(row["shape"])
        self.columns = row["columns"]
        self.cf = CAMERA_FLOOR.get(key, [9] * 20)
        self.entries = []  # (column, row, order, text)
        self.order = 0
        self.kinds = gimmick_kinds(row["gimmicks"])
        self.left = {t: c for t, (c, _) in self.kinds.items()}
        self.cells = {t: cells for t, (_, cells) in self.kinds.items()}
        self.cell_turn = {t: 0 for t in self.kinds}
        self.taken = set()  # (world x, world y) of placed tiles
        self.solid_near = []  # boxes that must stay clear: (x0, x1, y0, y1)
        self.screen_used = set()

    # -- entries
    def add(self, col, row, text, order=None):
        self.order += 1
        self.entries.append((col, row, self.order if order is None else order, text))
        self.screen_used.add((col, row))

    def cell(self, t):
        cells = self.cells[t]
        c = cells[self.cell_turn[t] % len(cells)]
        self.cell_turn[t] += 1
        return c

    def gimmick(self, t, wx, wy, sub=None, mirror=False, room=None):
        col, row = room if room else (wx // 640, wy // 480)
        if sub is None:
            sub = self.cell(t) if t < 40 else (99 if t == 99 else 1)
        self.left[t] -= 1
        self.taken.add((wx, wy))
        x, y = wx - col * 640, wy - row * 480
        self.add(col, row, f"gimmick {t} {sub} {x} {y}")

    def in_shape(self, col, row):
        return row in self.shape.get(col, set())


def build(key, rows):
    row0 = rows.get((key[0], key[1], -1)) or rows[(key[0], key[1], 0)]
    row1 = rows.get((key[0], key[1], 1))
    a = Area(key, row0, row1, seed=key[0] * 100 + key[1])
    rnd = a.rnd
    stage = a.stage
    cols = a.columns
    exit_x = row0["exit"]
    exit_col = exit_x // 640
    start_row, start_y = START[key]

    # ---- the route: per column the walk row and the floor's tile y, rising by at most 60 between columns
    walk_row, tile_y = {}, {}
    for c in range(cols):
        fits = [r for r in a.shape[c] if r <= a.cf[c]]
        walk_row[c] = max(fits) if fits else min(a.shape[c])
    if key == (2, 2):
        # the last two columns lie in row 1 only: the route climbs there from the lowest row
        pass
    heights = {}
    y = 360
    for c in range(cols):
        if c <= 1 or abs(c - exit_col) <= 1 or c == cols - 1:
            y_new = 360 if c <= 1 else y
        else:
            y_new = rnd.choice([y, y, y - 60, y + 60, y + 60]) if stage >= 3 else rnd.choice([y, y, y - 60, y + 60])
            y_new = min(max(y_new, 240), 360)
        y = y_new
        heights[c] = y
    for c in range(cols):
        tile_y[c] = heights[c]
    if exit_col < cols:
        tile_y[exit_col] = tile_y[exit_col - 1]
        walk_row[exit_col] = walk_row[exit_col - 1] if walk_row[exit_col - 1] in a.shape[exit_col] else walk_row[exit_col]
    # the fixed hazards of stage 2, area 2 stand 55 pixels above the floors they sit on
    overrides = FLOOR_OVERRIDES.get(key, {})
    for c, (r, ty) in overrides.items():
        walk_row[c], tile_y[c] = r, ty

    def surface(c, floor_type=1):
        return walk_row[c] * 480 + tile_y[c] + SURFACE[floor_type]

    # floor type per column: type 1 while it lasts (reserving what the sky and ladders need), stone blocks after
    walk_cols = list(range(cols))
    floor_tiles_needed = 5 * len(walk_cols) + EXTRA_FLOOR.get(key, 0)
    t1 = a.left.get(1, 0)
    reserve = min(max(0, t1 - floor_tiles_needed), 2 * row0["tops"])
    stone_cols = set()
    if t1 - reserve < floor_tiles_needed:
        short = floor_tiles_needed - (t1 - reserve)
        n = math.ceil(short / 5)
        candidates = [c for c in walk_cols if c > 1 and abs(c - exit_col) > 1 and c != cols - 1]
        step = max(1, len(candidates) // max(1, n))
        stone_cols = set(candidates[::step][:n])
    floor_type = {c: (3 if c in stone_cols else 1) for c in walk_cols}
    for c in stone_cols:
        tile_y[c] += 60  # a block's top is its y: stone floors sit 15 pixels below the tile floors

    def level(c):
        return walk_row[c] * 480 + tile_y[c] + SURFACE[floor_type[c]]

    # ---- pits (later stages): a missing floor tile over a deep drop, one tile wide
    pits = set()
    if stage >= 4:
        for c in range(2, cols - 1):
            if abs(c - exit_col) <= 1 or c - 1 not in walk_row:
                continue
            if level(c) == level(c - 1) and level(c) == level(c + 1) and rnd.random() < 0.15 + 0.05 * (stage - 4):
                pits.add((c, 256))

    # ---- what stands on the route: doors and switches, crates, hazards

    # ---- write the screens column by column
    ladders = []  # (world x, top world y, bodies, top?)
    climbs = []
    for c in range(1, cols):
        if level(c) < level(c - 1) - 60:
            climbs.append(c)

    tops_left, bodies_left = row0["tops"], row0["bodies"]
    # climbing ladders at the right end of the lower column, their top level with the higher floor
    for c in climbs:
        lx = (c - 1) * 640 + 592  # at the right edge, its top level with the next column's floor
        top = level(c) - 27
        bodies = round((level(c - 1) - top) / 79) - 1
        ladders.append((lx, top, bodies, True))
        tops_left -= 1
        bodies_left -= bodies
    # decorative ladders up to ledges in the sky: spread the remaining pieces over columns with sky above
    sky_cols = [c for c in range(cols) if any(r < walk_row[c] for r in a.shape[c]) and c not in climbs
                and c + 1 not in climbs and abs(c - exit_col) > 1 and c > 0]
    drop_cols = {c for c in sky_cols if level(c - 1) < level(c) - 60}
    rnd.shuffle(sky_cols)
    # columns the route drops into come last: their ledges stay right of the way down
    sky_cols.sort(key=lambda c: c not in drop_cols)
    ledge_ladders = []
    for i in range(tops_left):
        if not sky_cols:
            raise SystemExit(f"{key}: no column left for a ladder")
        c = sky_cols.pop()
        room_top = min(r for r in a.shape[c] if r < walk_row[c])
        # the highest the ledge may be: 60 pixels into the highest sky row still in this column's shape
        rows_up = [r for r in sorted(a.shape[c]) if r < walk_row[c]]
        lowest_gapless = walk_row[c]
        for r in reversed(rows_up):
            if r == lowest_gapless - 1:
                lowest_gapless = r
        max_bodies = (level(c) - (lowest_gapless * 480 + 60)) // 79 - 1
        want = math.ceil(bodies_left / (tops_left - i))
        n = max(2, min(want, max_bodies))
        lx = c * 640 + 296
        top = level(c) - 79 * (n + 1)
        ledge_ladders.append((c, lx, top, n))
        ladders.append((lx, top, n, True))
        bodies_left -= n
    # what is left of the body pieces hangs as a ladder without a top from a ledge's underside
    while bodies_left > 0:
        c = sky_cols.pop() if sky_cols else None
        if c is None:
            raise SystemExit(f"{key}: {bodies_left} ladder pieces without a place")
        n = min(bodies_left, max(1, (level(c) - walk_row[c] * 480) // 79 - 1))
        ladders.append((c * 640 + 440, level(c) - 79 * (n + 1), n, False))
        bodies_left -= n
    if bodies_left < 0:
        raise SystemExit(f"{key}: the climbs need {-bodies_left} more ladder pieces than the design has")

    # ledges at the ladder tops: two tiles either side of the ladder
    ledge_tiles = []
    for (c, lx, top, n) in ledge_ladders:
        ty = top + 27 - 45
        for x in ((384, 512) if c in drop_cols else (128, 384)):
            ledge_tiles.append((c * 640 + x, ty, n < 3))

    # -- floors
    hazard_spots = []
    crate_spots = []
    for c in walk_cols:
        r = walk_row[c]
        for x in range(0, 640, 128):
            if (c, x) in pits:
                continue
            wx, wy = c * 640 + x, r * 480 + tile_y[c]
            t = floor_type[c]
            mirror = x == 512 and rnd.random() < 0.5
            a.gimmick(t, wx, wy, mirror=mirror, room=(c, r))
        if key == (6, 2) and c == cols - 1:
            for x in range(640, 640 + 128 * EXTRA_FLOOR[key], 128):
                a.gimmick(1, c * 640 + x, r * 480 + tile_y[c], room=(c, r))

    # -- the fixed entries and the doors of this area
    fixed_hazards = FIXED_HAZARDS.get(key, [])
    if key in FIXED:
        FIXED[key](a, level, walk_row, tile_y)

    # -- crates on the route
    n_crates = a.left.get(8, 0)
    crate_cols = [c for c in walk_cols if c > 0 and abs(c - exit_col) > 2 and c < cols - 1 and (c, 256) not in pits]
    rnd.shuffle(crate_cols)
    i = 0
    while a.left.get(8, 0) > 0:
        c = crate_cols[i % len(crate_cols)]
        x = [200, 330, 260][(i // len(crate_cols)) % 3]
        a.gimmick(8, c * 640 + x, level(c) - 56, sub=17)
        i += 1

    # -- hazards on the route (world pixels), in short rows, 55 pixels above the floor
    hazard_lines = []
    for hero in (None,) if not FIXED_HAZARDS.get(key) else ():
        kinds = counted(row0["hazards"])
        if row1 and row1["hazards"] != row0["hazards"]:
            kinds = None
        if not kinds:
            continue
        haz_cols = [c for c in walk_cols if c > 1 and abs(c - exit_col) > 1 and c < cols - 1 and (c, 256) not in pits]
        rnd.shuffle(haz_cols)
        k39 = [k for k in kinds if k == 39]
        others = [k for k in kinds if k != 39]
        ci = 0
        group = 3 if stage >= 5 else 2
        while k39:
            c = haz_cols[ci % len(haz_cols)]
            ci += 1
            n = min(group if len(k39) != group + 1 else 2, len(k39))
            x0 = c * 640 + rnd.choice([200, 260, 330])
            for j in range(n):
                hazard_lines.append((c, walk_row[c], f"hazard 39 {x0 + 40 * j} {level(c) - 55} 1"))
                k39.pop()
        for k in others:
            c = haz_cols[ci % len(haz_cols)]
            ci += 1
            hazard_lines.append((c, walk_row[c], f"hazard {k} {c * 640 + 470} {level(c) - 55} 1"))
    for (c, r, text) in hazard_lines:
        a.add(c, r, text)
    for (c, r, text) in fixed_hazards:
        a.add(c, r, text)

    # -- tile walls: the lowest row of columns under the route
    n_walls = a.left.get(50, 0)
    wall_cols = [c for c in range(cols) if max(a.shape[c]) > walk_row[c] and c > 0]
    rnd.shuffle(wall_cols)
    # too few rows under the route: the wall stands behind the route's own floor (first in its screen)
    behind = [c for c in range(2, cols) if max(a.shape[c]) == walk_row[c] and abs(c - exit_col) > 1]
    rnd.shuffle(behind)
    wall_screens = set()
    for c in (wall_cols + behind)[:n_walls]:
        r = max(a.shape[c])
        a.left[50] -= 1
        a.add(c, r, f"gimmick 50 1 0 0", order=-1)
        if r != walk_row[c]:
            wall_screens.add((c, r))
    if a.left.get(50, 0):
        raise SystemExit(f"{key}: no lowest row under the route for a tile wall")

    # -- ladders
    for (lx, top, n, has_top) in ladders:
        segs = [(top, "top")] if has_top else [(top, "body")]
        segs += [(top + 79 * (i + 1), "body") for i in range(n if has_top else n - 1)]
        for (sy, part) in segs:
            c, r = lx // 640, sy // 480
            if not a.in_shape(c, r):
                raise SystemExit(f"{key}: a ladder piece at {lx}, {sy} outside the area's screens")
            a.add(c, r, f"ladder {lx - c * 640} {sy - r * 480} {part}")

    # -- ground stacks: under each floor tile down to the lowest row of the column
    stacks = []
    for c in walk_cols:
        for x in range(0, 640, 128):
            if (c, x) in pits:
                continue
            wy = walk_row[c] * 480 + tile_y[c] + 120
            slots = []
            while wy // 480 <= max(a.shape[c]):
                if a.in_shape(c, wy // 480) and (c, wy // 480) not in wall_screens and wy % 480 <= 420:
                    slots.append((c * 640 + x, wy))
                else:
                    break
                wy += 120
            if slots:
                stacks.append(slots)
    # sky slots: the grid of the screens above the route, clear of the ladders
    ladder_xs = [(lx, top) for (lx, top, n, t) in ladders]
    sky = []
    for c in range(cols):
        for r in sorted(a.shape[c]):
            if r >= walk_row[c]:
                continue
            for y in (0, 120, 240, 360):
                for x in range(0, 640, 128):
                    wx, wy = c * 640 + x, r * 480 + y
                    if any(abs(wx + 60 - (lx + 20)) < 110 and wy > top - 140 for (lx, top) in ladder_xs):
                        continue
                    if wy + 120 > level(c) - 200:
                        continue
                    if c > 0 and level(c - 1) < level(c) - 60 and x < 256 and wy + 120 > level(c - 1) - 130:
                        continue  # the way down from the higher floor of the column before
                    if exit_x >= 0 and exit_x - 300 < wx + 128 and wx < exit_x + 300:
                        continue  # nothing over the exit's run-out
                    sky.append((wx, wy))
    # ledge tiles first (solid, of the floor type), then moving and small pieces, then blocks
    for (wx, wy, low) in ledge_tiles:
        t = 1 if a.left.get(1, 0) > 0 else 3
        if t == 3:
            if low:
                continue  # a block this low would meet the hero's head on the route below
            wy += 45
        a.gimmick(t, wx, wy)
        sky = [s for s in sky if abs(s[0] - wx) >= 128 or abs(s[1] - wy) >= 120]

    # solid blocks right under the floors, spread over the stacks
    depth = {i: 0 for i in range(len(stacks))}
    order = list(range(len(stacks)))
    rnd.shuffle(order)
    ground_budget = a.left.get(3, 0)
    sky_solid_total = sum(a.left.get(t, 0) for t in SKY_SOLIDS if t != 3)
    sky_room = len(sky) - sky_solid_total
    # keep some blocks for the sky when the ground is too small, and some sky for the background tiles
    progress = True
    while a.left.get(3, 0) > 0 and progress:
        progress = False
        for i in order:
            if a.left.get(3, 0) == 0:
                break
            if depth[i] < len(stacks[i]) and depth[i] < 3 + stage // 3:
                wx, wy = stacks[i][depth[i]]
                a.gimmick(3, wx, wy, mirror=rnd.random() < MIRROR_RATE)
                depth[i] += 1
                progress = True
    # the rest of the solid types go to the sky: moving platforms and falling floors alone, the others as ledges
    sky_set = set(sky)

    def take(wx, wy):
        sky_set.discard((wx, wy))

    def sky_screens():
        screens = sorted({(x // 640, y // 480) for (x, y) in sky_set})
        rnd.shuffle(screens)
        return screens

    for t in (13, 14, 6):
        while a.left.get(t, 0) > 0:
            spots = [p for p in sky_set if p[1] % 480 in (120, 240) and 128 <= p[0] % 640 <= 384
                     and (p[0] - 128, p[1]) in sky_set and (p[0] + 128, p[1]) in sky_set]
            if not spots:
                spots = sorted(sky_set)
            if not spots:
                raise SystemExit(f"{key}: no room in the sky for gimmick type {t}")
            wx, wy = rnd.choice(sorted(spots))
            a.gimmick(t, wx, wy)
            for dx in (-128, 0, 128):
                take(wx + dx, wy)
    ledge_types = [t for t in (3, 1, 10, 11, 15, 16, 12, 7) for _ in range(a.left.get(t, 0))]
    while ledge_types:
        screens = sky_screens()
        if not screens:
            raise SystemExit(f"{key}: no room in the sky for {len(ledge_types)} ledge pieces")
        for (c, r) in screens:
            if not ledge_types:
                break
            rows_free = [y for y in (240, 120, 360, 0)
                         if any((c * 640 + x, r * 480 + y) in sky_set for x in range(0, 640, 128))]
            if not rows_free:
                continue
            y = r * 480 + rows_free[0]
            xs = [c * 640 + x for x in range(0, 640, 128) if (c * 640 + x, y) in sky_set]
            run = min(len(xs), rnd.randint(2, 5), len(ledge_types))
            first = rnd.randint(0, len(xs) - run)
            for wx in xs[first:first + run]:
                a.gimmick(ledge_types.pop(0), wx, y)
                take(wx, y)
                take(wx, y - 120)  # head room over the ledge
    # background tiles: first one into every screen still empty, then below the solid blocks, then behind the
    # route and in the sky, a screen at a time from the bottom up
    free_ground = []
    for i, slots in enumerate(stacks):
        free_ground += slots[depth[i]:]
    behind = []
    for c in walk_cols:
        for y in range(tile_y[c] - 120, -1, -120):
            for x in range(0, 640, 128):
                wx, wy = c * 640 + x, walk_row[c] * 480 + y
                if exit_x >= 0 and exit_x - 300 < wx + 128 and wx < exit_x + 300:
                    continue
                behind.append((wx, wy))
    backdrop = sorted(sky_set | set(behind), key=lambda p: (p[0] // 640, p[1] // 480, -p[1], p[0]))
    screens = sorted({(x // 640, y // 480) for (x, y) in backdrop})
    rnd.shuffle(screens)
    rank = {sc: i for i, sc in enumerate(screens)}
    backdrop.sort(key=lambda p: (rank[(p[0] // 640, p[1] // 480)], -p[1], p[0]))
    nonsolid = [t for t in (2, 0) for _ in range(a.left.get(t, 0))]
    rnd.shuffle(nonsolid)
    pool_slots = free_ground + backdrop
    for (c, rows_) in a.shape.items():
        for r in rows_:
            if (c, r) in a.screen_used or not nonsolid:
                continue
            for sl in pool_slots:
                if sl[0] // 640 == c and sl[1] // 480 == r:
                    pool_slots.remove(sl)
                    a.gimmick(nonsolid.pop(), sl[0], sl[1])
                    break
    while nonsolid:
        if not pool_slots:
            # overlay half rows of the sky for what is left
            c, r = rnd.choice([(c, r) for c in a.shape for r in a.shape[c] if r < walk_row[c]] or
                              [(c, walk_row[c]) for c in range(cols)])
            wx, wy = c * 640 + 128 * rnd.randrange(5), r * 480 + rnd.choice([60, 180])
        else:
            wx, wy = pool_slots.pop(0)
        a.gimmick(nonsolid.pop(), wx, wy)
    for t, n in a.left.items():
        if n < 0 or n > 0:
            raise SystemExit(f"{key}: {n} gimmicks of type {t} left over")

    # -- scenery: walk screens and sky screens, screen-anchored pictures at (0, 0)
    visible = [(c, r) for c in range(cols) for r in sorted(a.shape[c]) if r <= walk_row[c]]
    for pool, types_text, layers in (("a", row0["a"], row0["a_layers"]), ("b", row0["b"], row0["b_layers"]),
                                     ("c", row0["c"], row0["c_layers"])):
        types = counted(types_text)
        if key == (5, 2) and pool == "c":
            types = [t for t in types if t != 4]  # the hero-dependent four are placed first
        layer_list = [l + 1 for l in range(3) for _ in range(layers[l])]
        if key == (5, 2) and pool == "c":
            layer_list = layer_list[4:]
        rnd.shuffle(layer_list)
        rnd.shuffle(types)
        screens = visible[:]
        rnd.shuffle(screens)
        # screens still empty take scenery first
        empties = [s for s in screens if s not in a.screen_used]
        order_s = empties + [s for s in screens if s in a.screen_used]
        anchored = set()
        for i, t in enumerate(types):
            if pool == "c" and t in FULL_SCREEN_C:
                cand = [s for s in order_s if s not in anchored]
                c, r = cand[i % len(cand)] if cand else order_s[i % len(order_s)]
                anchored.add((c, r))
                x, y = 0, 0
            else:
                c, r = order_s[i % len(order_s)]
                if pool == "b":
                    x, y = rnd.randrange(0, 512, 32), min(tile_y.get(c, 360) + 20, 420) if r == walk_row[c] else 300
                else:
                    x, y = rnd.randrange(20, 560, 10), rnd.randrange(20, 260, 10)
            a.add(c, r, f"scenery_{pool} {t} {x} {y} {layer_list[i]}")

    missing = [(c, r) for c in a.shape for r in a.shape[c] if (c, r) not in a.screen_used]
    if missing:
        raise SystemExit(f"{key}: screens without entries: {missing}")
    return a, walk_row, tile_y, level


def reshape(a, moves):
    """Moves single entries of a built area to other world places: ("gimmick", type, from, to),
    ("scenery_a", type, from, to) or ("ladder", from, to, part). Every mover must name exactly one entry."""
    for move in moves:
        kind = move[0]
        if kind == "ladder":
            _, frm, to, part = move
        else:
            _, t, frm, to = move
        found = []
        for i, (c, r, o, text) in enumerate(a.entries):
            w = text.split()
            if kind == "gimmick" and w[0] == "gimmick" and int(w[1]) == t:
                x, y = int(w[3]), int(w[4])
            elif kind == "scenery_a" and w[0] == "scenery_a" and int(w[1]) == t:
                x, y = int(w[2]), int(w[3])
            elif kind == "ladder" and w[0] == "ladder":
                x, y = int(w[1]), int(w[2])
            else:
                continue
            if (c * 640 + x, r * 480 + y) == frm:
                found.append(i)
        if len(found) != 1:
            raise SystemExit(f"{a.key}: {len(found)} entries for {move}")
        c, r, o, text = a.entries[found[0]]
        w = text.split()
        nc, nr = to[0] // 640, to[1] // 480
        if not a.in_shape(nc, nr):
            raise SystemExit(f"{a.key}: {move} leaves the area's screens")
        if kind == "gimmick":
            w[3], w[4] = str(to[0] - nc * 640), str(to[1] - nr * 480)
        elif kind == "scenery_a":
            w[2], w[3] = str(to[0] - nc * 640), str(to[1] - nr * 480)
        else:
            w[1], w[2], w[3] = str(to[0] - nc * 640), str(to[1] - nr * 480), part
        # drawn after what stands in its new screen, so no background tile there covers it
        a.order += 1
        a.entries[found[0]] = (nc, nr, a.order, " ".join(w))


def swap(t1, p1, t2, p2):
    """Two gimmicks of different types trading places."""
    return [("gimmick", t1, p1, p2), ("gimmick", t2, p2, p1)]


# The places of the fixed stage items (game/enemy/placement_lists.cpp) shaped so that each item rests in the open
# and a way leads to it; the pieces that make room go where they change nothing (deep in the ground, or empty sky).
RESHAPE = {
    # Spikes 350 pixels past area 1's exit line stood where the hero walks on while the area fades out: moved onto
    # the floor before the line, where they are jumped.
    (2, 1): [("scenery_a", 0, (10690, 730), (10050, 730))],
    # The orb and gem at world (6880, 1640): a dip in the floor under them, its floor 40 pixels below them, a
    # block's step out on the right; background tiles behind, the floor pieces under column 0's ground.
    (2, 2): swap(2, (0, 1800), 1, (6784, 1440)) + swap(2, (128, 1800), 1, (6912, 1440)) +
            swap(2, (256, 1800), 1, (7040, 1440)) + swap(2, (384, 1800), 3, (6784, 1560)) +
            swap(2, (512, 1800), 3, (6912, 1560)),
    # The first hero's gem at world (8080, 450): steps from the right ledge of column 11's ladder up to a ledge
    # under it, from the unreachable tiles of the sky and the row-1 floor's end. The second hero's item at
    # (7180, 1305) stands on a block under column 11's ledge, where the block above it was.
    (4, 1): [("gimmick", 1, (7040, 240), (7552, 960)), ("gimmick", 1, (7168, 240), (7680, 840)),
             ("gimmick", 1, (7296, 240), (7808, 720)), ("gimmick", 1, (7936, 720), (7936, 600)),
             ("gimmick", 1, (8064, 720), (8064, 480))] + swap(3, (7168, 1200), 2, (7168, 1320)) +
            [("gimmick", 3, (7168, 1320), (7168, 1365))],
    # The orb at world (5420, 710): the ladder of column 8 three pieces higher, up through it; the pieces from the
    # feet of three ladders no way uses.
    (4, 2): [("ladder", (5416, 970), (5416, 970), "body"), ("ladder", (4136, 1226), (5416, 891), "body"),
             ("ladder", (7336, 1286), (5416, 812), "body"), ("ladder", (8616, 1286), (5416, 733), "top")],
    # The gem at world (940, 780): column 1's ladder moved from the lowest row up through a gap in the row-1
    # walkway, past the gem; the walkway's block under the ground of column 5. The orb at (4660, 760): the left
    # ledge of column 7's ladder 46 pixels lower, out of the orb.
    (5, 2): [("ladder", (936, 1292 + 79 * i), (936, 693 + 79 * i), "top" if i == 0 else "body") for i in range(7)] +
            swap(3, (896, 720), 2, (3200, 1800)) + [("gimmick", 1, (4608, 734), (4608, 780))],
    # The item at world (2100, 345): the left ledge of column 3's ladder raised under it, the walkway block over it
    # moved under the ledge, the walkway's block on the left a row higher so that the way on leads out under it.
    (6, 2): [("gimmick", 1, (2048, 478), (2048, 360)), ("gimmick", 3, (2048, 240), (2048, 478)),
             ("gimmick", 3, (1920, 240), (1920, 120))],
}


MIRROR_RATE = 0  # mirrors are chosen afterwards, to the exact totals (mirror_pass)
EXTRA_FLOOR = {(6, 2): 14}


def door(a, col, level, door_id, x=480):
    """A door standing on the route of a column; its foot a little above the floor."""
    wy = level(col) - 305
    a.gimmick(40, col * 640 + x, wy, sub=door_id, room=(col, wy // 480))


def switch(a, col, level, door_id, x=100, row=None):
    wy = level(col) - 65
    r = wy // 480 if row is None else row
    a.add(col, r, f"enemy 36 {door_id} {x} {wy - r * 480}")


# Stage 2, area 2: the route runs in the lowest row; the fixed hazards stand 55 pixels above its floors.
FLOOR_OVERRIDES = {
    (2, 2): {0: (2, 360), 1: (3, 180), 2: (3, 120), 3: (3, 120), 4: (3, 120), 5: (3, 120), 6: (3, 120),
             7: (3, 60), 8: (3, 60), 9: (3, 0), 10: (3, 0), 11: (3, 0), 12: (1, 360), 13: (1, 360)},
    (7, 1): {c: (1, 240) for c in range(5)},
}


def fixed_2_2(a, level, walk_row, tile_y):
    a.gimmick(40, 400, 960 + 100, sub=101, room=(0, 2))
    a.add(0, 2, "enemy 36 101 250 340")
    for door_id, col in ((102, 1), (103, 2), (104, 4), (105, 5), (106, 6), (107, 7), (109, 9)):
        switch(a, col, level, door_id)
        door(a, col, level, door_id)
    a.gimmick(40, 3 * 640 + 400, 100, sub=108, room=(3, 0))
    switch(a, 12, level, 108, x=300)
    switch(a, 9, level, 110, x=300)
    door(a, 10, level, 110, x=200)


def hazards_2_2():
    both = [(40, 1440, 1540), (41, 2470, 1550), (39, 3430, 1550), (39, 3470, 1550), (41, 3940, 1550),
            (40, 4930, 170), (40, 5520, 170)]
    first = [(39, 2600, 1550), (39, 2640, 1550), (39, 2680, 1550)] + [(39, 6530 + 50 * i, 1430) for i in range(5)]
    second = [(41, 3060, 1550), (41, 6500, 1430), (41, 6680, 1430), (41, 6700, 950), (40, 7040, 170)]
    out = []
    for prefix, items in (("", both), ("hero 0 ", first), ("hero 1 ", second)):
        for (k, x, y) in items:
            out.append((x // 640, y // 480, f"{prefix}hazard {k} {x} {y} 1"))
    return out


def fixed_3_1(a, level, walk_row, tile_y):
    a.add(0, 1, "enemy 37 2 200 150")


def fixed_3_2(a, level, walk_row, tile_y):
    switch(a, 7, level, 101, x=150)
    door(a, 8, level, 101, x=300)


def fixed_5_2(a, level, walk_row, tile_y):
    switch(a, 9, level, 101, x=150)
    door(a, 9, level, 101, x=460)


def fixed_7_1(a, level, walk_row, tile_y):
    door(a, 0, level, 101, x=40)
    door(a, 4, level, 102, x=520)
    # the run-out past the arena's right door: stone blocks level with the floor
    for x in (3200, 3328, 3456, 3584):
        a.gimmick(3, x, level(4), room=(4, 1))
    a.add(4, 1, "hero 1 hazard 46 2853 580 -500")


FIXED_HAZARDS = {(2, 2): hazards_2_2()}
FIXED = {(2, 2): fixed_2_2, (3, 1): fixed_3_1, (3, 2): fixed_3_2, (5, 2): fixed_5_2, (7, 1): fixed_7_1}
EXIT_WRITTEN = {(7, 1): (4, 800), (6, 1): (17, 150), (6, 2): (20, 150)}
PREAMBLE = {
    (5, 2): ["", "# the far wall behind the last four screens differs by hero"] +
            [line for c in (11, 12, 13, 14) for line in
             (f"room {c} 0", "  hero 0 scenery_c 4 0 0 2", "  hero 1 scenery_c 3 0 0 2")],
}


def mirror_pass(areas, gimmick_total, a_total, c_total, seed=7):
    """Mirrors exactly the given numbers of entries, spread over the areas by their size."""
    rnd = random.Random(seed)
    for kind, total, pick in (("gimmick", gimmick_total, lambda t: t.split()[1] in ("0", "1", "2", "3")),
                              ("scenery_a", a_total, lambda t: True), ("scenery_c", c_total, lambda t: True)):
        pools = []
        for a in areas:
            idx = [i for i, e in enumerate(a.entries) if e[3].startswith(kind + " ") and pick(e[3])]
            pools.append((a, idx))
        size = sum(len(i) for _, i in pools)
        done = 0
        for n, (a, idx) in enumerate(pools):
            want = round(total * len(idx) / size) if n < len(pools) - 1 else total - done
            want = min(want, len(idx))
            for i in rnd.sample(idx, want):
                c, r, o, text = a.entries[i]
                a.entries[i] = (c, r, o, text + " mirror")
            done += want
        if done != total:
            raise SystemExit(f"mirrors of {kind}: {done} of {total}")


def write(a, exit_x):
    preamble = PREAMBLE.get(a.key, [])
    key = a.key
    path = os.path.join(LEVELS, f"stage{key[0]}_area{key[1]}.txt")
    out = [f"# Stage {key[0]}, area {key[1]}: {TITLES.get(key, '')}",
           f"stage {key[0]}", f"area {key[1]}", f"size {a.columns} {a.row['rows']}"]
    if exit_x >= 0:
        column, offset = EXIT_WRITTEN.get(key, (exit_x // 640, exit_x % 640))
        out.append(f"exit {column} {offset}")
    out += list(preamble)
    by_screen = {}
    for (c, r, o, text) in a.entries:
        by_screen.setdefault((c, r), []).append((o, text))
    for (c, r) in sorted(by_screen, key=lambda s: (s[0], s[1])):
        out.append("")
        out.append(f"room {c} {r}")
        for (o, text) in sorted(by_screen[(c, r)]):
            if text.startswith("hero "):
                out.append("  " + text)
            else:
                out.append("  " + text)
    with open(path, "w") as f:
        f.write("\n".join(out) + "\n")
    return path


# Areas designed by hand (like the whole of stage 1): left as they are, their mirrored entries counted as stage 1's.
HAND_WRITTEN = [(2, 1), (3, 1), (4, 2), (5, 1)]


def main():
    rows = design_rows()
    keys = [key for key in [(2, 1), (2, 2), (3, 1), (3, 2), (4, 1), (4, 2), (5, 1), (5, 2), (6, 1), (6, 2), (7, 1)]
            if key not in HAND_WRITTEN]
    areas = [build(key, rows)[0] for key in keys]
    for a in areas:
        reshape(a, RESHAPE.get(a.key, []))
    # stage 1 and the HAND_WRITTEN areas are written by hand: the rest of the mirrored totals go to the generated ones
    hand = [f"stage1_area{n}.txt" for n in (1, 2, 3)] + [f"stage{s}_area{a}.txt" for s, a in HAND_WRITTEN]
    written = "".join(open(os.path.join(LEVELS, name)).read() for name in hand)
    mirrored = {k: sum(1 for line in written.splitlines() if line.split()[:1] == [k] and "mirror" in line)
                for k in ("gimmick", "scenery_a", "scenery_c")}
    mirror_pass(areas, 657 - mirrored["gimmick"], 29 - mirrored["scenery_a"], 26 - mirrored["scenery_c"])
    for a in areas:
        write(a, a.row["exit"])
        print(f"stage {a.stage} area {a.area}: {len(a.entries)} entries")


if __name__ == "__main__":
    main()
