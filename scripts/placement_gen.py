#!/usr/bin/env python3
"""Writes the enemy placement lists of stages 2 to 6 into game/enemy/placement_lists.cpp.

Enemies are put on the floors of the level data (game/stage/levels/): each kind at the height above the floor that
stage 1's lists use for it, spread over the list's columns and rows; coins stand in rows of two to four above the
floors the hero walks on; the guarded items and the fixed entries keep their own places. The list's kinds, counts,
parameters and room spans are the table LISTS below. Run: scripts/placement_gen.py
"""
import os
import random
import re
import statistics

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
LEVELS = os.path.join(ROOT, "game", "stage", "levels")
TARGET = os.path.join(ROOT, "game", "enemy", "placement_lists.cpp")

# Solid boxes of the gimmick types: x0, y0 (the surface), x1.
BOX = {1: (0, 45, 120), 3: (0, 0, 120), 4: (0, 45, 120), 5: (0, 0, 120), 6: (0, 45, 120), 7: (10, 10, 50),
       8: (7, 8, 56), 10: (0, 45, 64), 11: (20, 45, 100), 12: (20, 0, 100), 13: (0, 45, 120), 14: (0, 45, 120),
       15: (0, 45, 64), 16: (0, 45, 120), 99: (0, 45, 120)}
COINS = {37, 38, 39}

# stage, hero, area (1, or 2 for areas 2 and 3), entries, columns, rows, kinds: {kind: (count, [params])}
LISTS = [
    (2, 0, 1, 72, (1, 15), (0, 2), {2: (8, [3]), 4: (2, [0]), 5: (11, [1, 2, 3]), 6: (2, [1, 2]), 9: (1, [1]),
                                     14: (5, [0]), 37: (43, [1])}),
    (2, 0, 2, 76, (1, 12), (0, 3), {2: (10, [3, 5, 7]), 5: (14, [1, 2, 3]), 6: (4, [1, 2]), 9: (5, [1]),
                                     14: (7, [0]), 37: (24, [1]), 38: (9, [1]), 39: (3, [1])}),
    (2, 1, 1, 85, (0, 15), (0, 2), {5: (8, [1, 2, 3]), 13: (5, [1, 2]), 14: (14, [0]),
                                     30: (12, [1, 203, 204, 205, 206, 303, 305, 306]), 32: (6, [2]), 37: (34, [1]),
                                     38: (6, [1])}),
    (2, 1, 2, 115, (1, 12), (0, 3), {5: (17, [1, 2, 3]), 13: (11, [1, 2]), 14: (13, [0]),
                                      30: (21, [1, 102, 223, 224, 333, 334, 335, 373, 374, 383, 384, 386]),
                                      32: (6, [2]), 35: (1, [1]), 37: (27, [1]), 38: (16, [1]), 39: (3, [1])}),
    (3, 0, 1, 57, (1, 12), (0, 3), {3: (6, [1]), 11: (16, [1, 203, 204, 252, 253, 254]), 22: (5, [1, 2]),
                                     25: (3, [1]), 37: (25, [1]), 38: (2, [1])}),
    (3, 0, 2, 90, (1, 16), (1, 3), {3: (8, [1]), 11: (25, [1, 252, 253, 254, 304, 325]), 21: (10, [2]),
                                     22: (8, [3]), 25: (4, [1]), 37: (18, [1]), 38: (15, [1]), 39: (2, [1])}),
    (3, 1, 1, 62, (1, 12), (0, 2), {19: (8, [1, 2, 3]), 29: (6, [150, 180, 200, 250]),
                                     30: (15, [1, 203, 204, 253, 254, 255]), 37: (20, [1]), 38: (13, [1])}),
    (3, 1, 2, 114, (1, 16), (0, 3), {19: (26, [1, 2, 3]), 29: (9, [220, 240, 250, 300, 310, 460, 550]),
                                      30: (16, [1, 233, 234, 252, 253, 254, 294, 295, 303, 305, 306]),
                                      35: (1, [2]), 37: (39, [1]), 38: (19, [1]), 39: (4, [1])}),
    (4, 0, 1, 90, (1, 15), (0, 3), {5: (14, [1, 2, 3]), 6: (6, [1, 2]), 8: (15, [1, 2]), 10: (6, [1]),
                                     17: (1, [200]), 23: (4, [1]), 37: (29, [1]), 38: (10, [1]), 39: (5, [1])}),
    (4, 0, 2, 67, (1, 15), (0, 2), {5: (3, [1, 2]), 7: (3, [3]), 8: (5, [1, 2]), 10: (4, [1]), 17: (7, [1, 200]),
                                     23: (7, [1]), 37: (29, [1]), 38: (7, [1]), 39: (2, [1])}),
    (4, 1, 1, 96, (1, 15), (0, 3), {15: (3, [1]), 16: (13, [1]), 18: (6, [1]), 20: (9, [2]), 24: (9, [1, 2]),
                                     34: (1, [2]), 37: (34, [1]), 38: (19, [1]), 39: (2, [1])}),
    (4, 1, 2, 76, (1, 16), (0, 2), {15: (10, [1]), 16: (8, [1]), 18: (3, [1]), 20: (3, [1]), 24: (13, [1, 2]),
                                     35: (1, [3]), 37: (28, [1]), 38: (8, [1]), 39: (2, [1])}),
    (5, 0, 1, 66, (1, 14), (0, 2), {5: (16, [1, 2, 3]), 7: (8, [2, 3, 4, 5]), 9: (7, [1]), 12: (4, [1]),
                                     37: (26, [1]), 38: (4, [1]), 39: (1, [1])}),
    (5, 0, 2, 95, (0, 13), (0, 3), {2: (2, [5, 7]), 5: (22, [1, 2, 3]), 7: (8, [2, 3, 4, 6]), 9: (11, [1, 2]),
                                     12: (4, [1]), 15: (1, [1]), 37: (34, [1]), 38: (10, [1]), 39: (3, [1])}),
    (5, 1, 1, 75, (1, 14), (0, 2), {7: (6, [2, 3, 4, 5]), 12: (2, [1]), 13: (11, [1, 2]), 15: (12, [1]),
                                     37: (28, [1]), 38: (16, [1])}),
    (5, 1, 2, 84, (0, 13), (0, 3), {7: (8, [2, 3, 4]), 12: (6, [1]), 13: (8, [1, 2]), 15: (15, [1]), 35: (1, [4]),
                                     37: (36, [1]), 38: (8, [1]), 39: (2, [1])}),
    (6, 1, 1, 67, (1, 17), (0, 2), {15: (8, [1]), 16: (11, [1]), 18: (4, [1]), 24: (5, [1, 2]), 28: (4, [1]),
                                     37: (26, [1]), 38: (9, [1])}),
    (6, 1, 2, 93, (0, 17), (0, 3), {15: (11, [1]), 16: (14, [1]), 18: (6, [1]), 24: (6, [1, 2]), 28: (8, [1]),
                                     31: (2, [1]), 34: (1, [1]), 37: (18, [1]), 38: (21, [1]), 39: (6, [1])}),
]

# Entries at fixed places: enemies (kind, param, room x, room y, x, y, guard) and pickups (world x, world y, kind,
# guard), by stage, hero and area. The level data is shaped around the stage items (scripts/level_gen.py, RESHAPE).
FIXED = {
    (2, 0, 1): [("pickup", 8680, 710, 109, "hp_item")],
    (2, 0, 2): [("pickup", 5600, 1420, 110, "sp_item"), ("pickup", 6880, 1640, 121, "stage_item")],
    (2, 1, 2): [("pickup", 5600, 1420, 131, "equipment_10"), ("enemy", 35, 1, 10, 3, 480, 200, "stage_item")],
    (3, 0, 2): [("pickup", 7320, 1740, 109, "hp_item"), ("pickup", 7360, 1740, 110, "sp_item"),
                ("pickup", 10140, 1520, 122, "stage_item")],
    (3, 1, 2): [("pickup", 7320, 1740, 132, "equipment_11"), ("enemy", 35, 2, 15, 3, 150, 50, "stage_item")],
    (4, 0, 1): [("pickup", 7220, 1325, 130, "equipment_6"), ("pickup", 8080, 450, 123, "stage_item")],
    (4, 0, 2): [("pickup", 5780, 460, 110, "sp_item"), ("pickup", 9750, 300, 109, "hp_item")],
    (4, 1, 1): [("enemy", 34, 2, 11, 2, 140, 345, "collectible")],
    (4, 1, 2): [("enemy", 35, 3, 8, 1, 300, 230, "stage_item")],
    (5, 0, 1): [("pickup", 2580, 300, 110, "sp_item")],
    (5, 0, 2): [("pickup", 940, 780, 124, "stage_item"), ("pickup", 4490, 780, 109, "hp_item")],
    (5, 1, 2): [("enemy", 35, 4, 7, 1, 180, 280, "stage_item")],
    (6, 1, 2): [("enemy", 34, 1, 3, 0, 180, 345, "collectible"), ("enemy", 31, 1, 16, 3, 300, 130, None),
                ("enemy", 31, 1, 16, 3, 700, 130, None)],
}


# Lists drawn again where the first draw barred the way (an enemy or coin row where the hero cannot pass).
RESEED = {(3, 0, 2): " b"}

FORCED = {(2, 1, 2): [(37, 11, 8), (5, 12, 2)]}


def read_level(path):
    """The solid surfaces of a level file for the first hero: (x0, x1, surface y), world pixels."""
    boxes, room = [], (0, 0)
    for line in open(path):
        words = line.split("#")[0].split()
        if not words:
            continue
        if words[0] == "hero" and words[1] != "0":
            continue
        if words[0] == "hero":
            words = words[2:]
        if words[0] == "room":
            room = (int(words[1]), int(words[2]))
        elif words[0] in ("gimmick", "row"):
            t = int(words[1])
            if t not in BOX:
                continue
            if words[0] == "gimmick":
                places = [(int(words[3]), int(words[4]))]
            else:
                places = [(int(x), int(words[3])) for x in words[4:]]
            for (x, y) in places:
                x0, top, x1 = BOX[t]
                wx, wy = room[0] * 640 + x, room[1] * 480 + y
                boxes.append((wx + x0, wx + x1, wy + top, t))
    return boxes


def standing_spots(boxes, rows):
    """Surfaces with room for a body above them: (world x, surface y), every 32 pixels."""
    spots = []
    for (x0, x1, top, t) in boxes:
        if t == 8:
            continue
        for x in range(x0, x1 - 16, 32):
            blocked = any(b[0] < x + 32 and x < b[1] and top - 110 < b[2] < top for b in boxes if b is not None)
            if not blocked and top // 480 < rows:
                spots.append((x, top))
    return spots


def floor_under(boxes, x, y):
    best = None
    for (x0, x1, top, t) in boxes:
        if x0 <= x + 10 < x1 and top >= y and (best is None or top < best):
            best = top
    return best


def check(design, entries, boxes, heights):
    stage, hero, area, total, (c_lo, c_hi), (r_lo, r_hi), kinds = design
    where = f"stage {stage} hero {hero} area {area}"
    cols = {e[2] for e in entries}
    rows_ = {e[3] for e in entries}
    if min(cols) != c_lo or max(cols) != c_hi or min(rows_) != r_lo or max(rows_) != r_hi:
        raise SystemExit(f"{where}: spans {min(cols)}..{max(cols)} / {min(rows_)}..{max(rows_)}")
    level_rows = max(b[2] for b in boxes) // 480 + 1
    for (k, p, rx, ry, x, y) in entries:
        if not (0 <= x < 640 and 0 <= y < 480):
            raise SystemExit(f"{where}: kind {k} offset {x}, {y}")
        if ry >= level_rows:
            continue
        f = floor_under(boxes, rx * 640 + x, ry * 480 + y)
        if f is None:
            raise SystemExit(f"{where}: kind {k} at {rx * 640 + x}, {ry * 480 + y} over nothing")
        d = f - (ry * 480 + y)
        if (k in COINS and not 20 <= d <= 130) or (k not in COINS and d > 260):
            raise SystemExit(f"{where}: kind {k} at {rx * 640 + x}, {ry * 480 + y}, {d} over its floor")


def calibrate():
    """Each kind's height above its floor in stage 1's lists (the median)."""
    text = open(TARGET).read()
    heights = {}
    for name, area in (("stage1_hero0_area1", 1), ("stage1_hero0_areas23", 2), ("stage1_hero1_area1", 1),
                       ("stage1_hero1_areas23", 2)):
        body = text[text.index(f"constexpr Placement {name}[]"):]
        body = body[:body.index("};")]
        boxes = read_level(os.path.join(LEVELS, f"stage1_area{area}.txt"))
        for m in re.finditer(r"\{(\d+), (\d+), (\d+), (\d+), (\d+), (\d+)\}", body):
            kind, _, rx, ry, x, y = map(int, m.groups())
            wx, wy = rx * 640 + x, ry * 480 + y
            floor = floor_under(boxes, wx, wy)
            if floor is not None:
                heights.setdefault(kind, []).append(floor - wy)
    return {k: int(statistics.median(v)) for k, v in heights.items()}


def build_list(design, heights, rnd):
    stage, hero, area, total, (c_lo, c_hi), (r_lo, r_hi), kinds = design
    level_area = 1 if area == 1 else 2
    boxes = read_level(os.path.join(LEVELS, f"stage{stage}_area{level_area}.txt"))
    rows = max(b[2] for b in boxes) // 480 + 1
    spots = [s for s in standing_spots(boxes, rows) if c_lo <= s[0] // 640 <= c_hi and s[1] // 480 <= r_hi]
    fixed = FIXED.get((stage, hero, area), [])
    fixed_kinds = {}
    for f in fixed:
        if f[0] == "enemy":
            fixed_kinds[f[1]] = fixed_kinds.get(f[1], 0) + 1
    start_x = 300
    entries = []
    used = set()

    def take_spot(col=None, row=None, coin=False, h=200):
        cands = [s for s in spots if (col is None or s[0] // 640 == col) and (row is None or s[1] // 480 == row)
                 and s not in used and s[0] > start_x and s[1] - h >= r_lo * 480]
        if not cands:
            return None
        s = rnd.choice(cands)
        for dx in range(-96, 97, 32):
            used.add((s[0] + dx, s[1]))
        return s

    def place(kind, param, spot, h=None):
        h = heights.get(kind, 100) if h is None else h
        wx, wy = spot[0], spot[1] - h
        rx, ry = wx // 640, wy // 480
        entries.append((kind, param, rx, ry, wx - rx * 640, wy - ry * 480))

    # the ends of the spans first, so that the list covers its columns and rows exactly
    plan = []
    for kind, (count, params) in sorted(kinds.items()):
        n = count - fixed_kinds.get(kind, 0)
        plan += [(kind, params[i % len(params)]) for i in range(n)]
    # entries that must stand in given columns (a tail that a full pool leaves out)
    for (kind, col, n) in FORCED.get((stage, hero, area), []):
        for j in range(n):
            plan.remove(next(p for p in plan if p[0] == kind))
            if kind in COINS:
                s = take_spot(col) if j % 4 == 0 else s
                place(kind, 1, (s[0] + 30 * (j % 4) - (s[0] % 640 > 500) * 120, s[1]))
            else:
                place(kind, [1, 2, 3][j % 3], take_spot(col))
    non_coin = [p for p in plan if p[0] not in COINS]
    coin_plan = [p for p in plan if p[0] in COINS]
    placed = []
    cols = list(range(c_lo, c_hi + 1))
    # enemies, one column after another across the span
    for i, (kind, param) in enumerate(non_coin):
        col = cols[(i * len(cols)) // max(1, len(non_coin))] if len(non_coin) >= 2 else cols[0]
        h = heights.get(kind, 100)
        s = take_spot(col, h=h) or take_spot(h=h)
        if s is None:
            used.clear()
            s = take_spot(col, h=h) or take_spot(h=h)
        place(kind, param, s)
    # coins in rows of two to four, 30 or 40 pixels apart
    i = 0
    while i < len(coin_plan):
        kind = coin_plan[i][0]
        run = min(rnd.randint(2, 4), sum(1 for p in coin_plan[i:] if p[0] == kind))
        col = cols[(i * len(cols)) // max(1, len(coin_plan))]
        s = take_spot(col, coin=True) or take_spot(coin=True)
        if s is None:
            used.clear()
            s = take_spot(col) or take_spot()
        gap = rnd.choice([30, 40])
        for attempt in range(40):
            x0 = min(s[0], (s[0] // 640) * 640 + 639 - gap * (run - 1))
            h = heights[kind]
            if all(floor_under(boxes, x0 + gap * j, s[1] - h) == s[1] for j in range(run)):
                break
            s = take_spot(coin=True) or s
        for j in range(run):
            place(kind, coin_plan[i + j][1], (x0 + gap * j, s[1]))
        i += run
    # the spans: move an entry into a missing end column or row where the level has a floor there
    def span_fix():
        for want_col in (c_lo, c_hi):
            if not any(e[2] == want_col for e in entries):
                s = take_spot(want_col)
                idx = next(k for k, e in enumerate(entries) if e[0] in COINS)
                e = entries.pop(idx)
                place(e[0], e[1], s)
        for want_row in (r_lo, r_hi):
            if not any(e[3] == want_row for e in entries):
                s = take_spot(row=want_row)
                if s is None:
                    # a row below the area's floors: an enemy that comes up from below waits there
                    idx = next(k for k, e in enumerate(entries) if e[0] not in COINS and e[0] != 35)
                    e = entries[idx]
                    entries[idx] = (e[0], e[1], e[2], want_row, e[4], 20)
                    print(f"stage {stage} hero {hero} area {area}: kind {e[0]} waits below the area in row "
                          f"{want_row}")
                    continue
                idx = next(k for k, e in enumerate(entries) if e[0] in COINS)
                e = entries.pop(idx)
                place(e[0], e[1], s)
    span_fix()
    check(design, entries, boxes, heights)
    # the same order as stage 1's lists: by kind, then by column
    entries.sort(key=lambda e: (e[0], e[2], e[3], e[4]))
    return entries, fixed


def cpp_list(name, entries, fixed, tail_first=None):
    out = [f"constexpr Placement {name}[] = {{"]
    items = [f"{{{k}, {p}, {rx}, {ry}, {x}, {y}}}" for (k, p, rx, ry, x, y) in entries]
    guarded = []
    for f in fixed:
        if f[0] == "pickup":
            guarded.append(f"pickup({f[1]}, {f[2]}, {f[3]}, G::{f[4]})")
        elif f[7] is None:
            items.append(f"{{{f[1]}, {f[2]}, {f[3]}, {f[4]}, {f[5]}, {f[6]}}}")
        else:
            guarded.append(f"guarded({f[1]}, {f[2]}, {f[3]}, {f[4]}, {f[5]}, {f[6]}, G::{f[7]})")
    if tail_first is not None:
        # the entries that a full pool leaves out go last
        head, tail = tail_first(items)
        items = head + guarded + tail
        guarded = []
    line = "   "
    for it in items:
        if len(line) + len(it) + 2 > 118:
            out.append(line)
            line = "   "
        line += " " + it + ","
    if line.strip():
        out.append(line)
    out += [f"    {g}," for g in guarded]
    out.append("};")
    return "\n".join(out)


def main():
    heights = calibrate()
    heights.setdefault(37, 40)
    heights.setdefault(38, 45)
    heights.setdefault(39, 50)
    blocks = []
    names = {}
    for design in LISTS:
        stage, hero, area = design[:3]
        # each list draws from a generator of its own: a change to one area's floors leaves the other lists alone
        seed = f"{stage} {hero} {area}" + RESEED.get((stage, hero, area), "")
        entries, fixed = build_list(design, heights, random.Random(seed))
        name = f"stage{stage}_hero{hero}_{'area1' if area == 1 else 'areas23'}"
        names[(stage, hero, area)] = name
        tail = None
        if (stage, hero, area) == (2, 1, 2):
            def tail(items):
                parsed = [tuple(map(int, re.findall(r"-?\d+", it))) for it in items]
                coins11 = [i for i, p in enumerate(parsed) if p[0] in COINS and p[2] == 11]
                kind5 = [i for i, p in enumerate(parsed) if p[0] == 5 and p[2] == 12][:2]
                pick = set(coins11[:8] + kind5)
                if len(pick) != 10:
                    raise SystemExit("stage 2, second hero: the tail needs eight coins in column 11 and two kind-5 "
                                     f"enemies in column 12 ({len(coins11)}, {len(kind5)})")
                return ([it for i, it in enumerate(items) if i not in pick],
                        [items[i] for i in coins11[:8]] + [items[i] for i in kind5])
        blocks.append(cpp_list(name, entries, fixed, tail))
    text = open(TARGET).read()
    begin = text.index("struct StageLists {")
    marker = "// Stages 2 to 6, written by scripts/placement_gen.py.\n"
    if marker in text:
        start = text.index(marker)
    else:
        start = begin
    text = text[:start] + marker + "\n\n".join(blocks) + "\n\n" + text[begin:]
    rows = []
    for stage in range(2, 7):
        def n(h, a):
            return names.get((stage, h, a))
        cells = [f"{{{n(h, 1)}, {n(h, 2)}}}" if n(h, 1) else "{}" for h in (0, 1)]
        rows.append(f"    {{{{{cells[0]}, {cells[1]}}}}},")
    table_start = text.index("const StageLists stage_lists[6] = {")
    table_end = text.index("};", table_start) + 2
    first = text[table_start:table_end].splitlines()[1]
    text = text[:table_start] + "const StageLists stage_lists[6] = {\n" + first + "\n" + "\n".join(rows) + "\n};" + \
        text[table_end:]
    open(TARGET, "w").write(text)
    print("heights:", heights)


if __name__ == "__main__":
    main()
