"""What the drawing window shows, found from its pixels: the canvas origin, the
intersections, the lanes and the vehicles on them."""
from failure import Failure, check

BLACK, WHITE = (0, 0, 0), (255, 255, 255)
RED, BLUE, YELLOW = (255, 0, 0), (0, 0, 255), (255, 255, 0)
BODY_COLOURS = {WHITE: "white", BLUE: "blue", YELLOW: "yellow", RED: "red"}

# Intersection centres and the sides (0 north, 1 east, 2 south, 3 west) that have lanes.
INTERSECTIONS = {
    (0, 0): {0}, (0, 100): {0, 1, 2, 3}, (0, 200): {2},
    (-100, 100): {0, 1}, (-100, 200): {2}, (150, 100): {3},
}
# Lanes: name, centre line as ("x", x, from_y, to_y) or ("y", y, from_x, to_x), travel
# direction; the lane is 20 wide around its centre line and runs from one intersection's
# edge to the next one's.
LANES = [
    ("R1", "x", 10, 20, 80, 0), ("R2", "x", 10, 120, 180, 0),
    ("R3", "x", -10, 80, 20, 2), ("R4", "x", -10, 180, 120, 2),
    ("R5", "y", 90, -80, -20, 1), ("R6", "y", 110, -20, -80, 3),
    ("R7", "x", -110, 180, 120, 2), ("R8", "x", -90, 120, 180, 0),
    ("R9", "y", 110, 130, 20, 3), ("R10", "y", 90, 20, 130, 1),
]
STEP = {0: (0, 1), 1: (1, 0), 2: (0, -1), 3: (-1, 0)}


class Drawing:
    """A screenshot of the drawing window read in library coordinates."""

    def __init__(self, image):
        self.image = image
        check(image.width == 601 and image.height == 540,
              f"drawing window picture is {image.width} x {image.height}")
        # Where the system draws a frame inside the window's outer rectangle (Windows),
        # the client area starts where the white display area does, left and right and at
        # the bottom, on a row below the network.
        below = 3 * image.height // 4
        runs, start = [], None
        for x in range(image.width + 1):
            if x < image.width and image.pixel(x, below) == WHITE:
                start = x if start is None else start
            elif start is not None:
                runs.append((x - start, start, x - 1))
                start = None
        check(runs, "no white display area in the drawing window")
        _, self.left, self.right = max(runs)
        middle = (self.left + self.right) // 2
        self.bottom = max(y for y in range(image.height) if image.pixel(middle, y) == WHITE)
        columns = range(self.left, self.right + 1, 3)
        # The canvas's one-pixel black frame marks its top-left corner, which is the
        # client area's; above it is the menu bar. Where the outer size includes a frame,
        # the display area, cleared white about the centre, covers that line: then the
        # client area starts below the last row of other colours (caption, menu bar), as
        # seen left of the network, where no vehicle goes.
        self.top = next((y for y in range(100) if all(
            image.pixel(x, y) == BLACK for x in columns)), None)
        if self.top is None:
            framed = [y for y in range(100) if any(image.pixel(x, y) not in (BLACK, WHITE)
                                                   for x in range(self.left, self.left + 150, 3))]
            self.top = framed[-1] + 1 if framed else None
        check(self.top is not None, "no canvas frame line found below the menu bar")
        # The client area runs from the frame line to its bottom edge.
        self.client_centre = (self.left + (self.right + 1 - self.left) // 2,
                              self.top + (self.bottom + 1 - self.top) // 2)
        self.origin = self.client_centre

    def menu_rows(self):
        """The rows of the menu bar: light ones right above the client area, up to the
        window's top or a caption that the system drew."""
        rows = []
        for y in range(self.top - 1, -1, -1):
            if min(self.image.pixel(self.right - 1, y)) < 200:
                break
            rows.append(y)
        return rows[::-1]

    def network_origin(self):
        """Library point (0, 0) as the network shows it: the black pixels inside the canvas
        frame reach from the west edge of the intersections at x -120 to the south edge
        of the one at y -20."""
        img = self.image
        xs, ys = [], []
        for y in range(self.top + 1, self.bottom + 1):
            row = img.row_bytes(y)
            for x in range(self.left + 1, min(self.left + 600, self.right + 1)):
                if row[3 * x:3 * x + 3] == b"\0\0\0":
                    xs.append(x)
                    ys.append(y)
        check(xs, "no road network in the drawing window")
        check(max(xs) - min(xs) == 290 and max(ys) - min(ys) == 240,
              f"the network spans {max(xs) - min(xs) + 1} x {max(ys) - min(ys) + 1} pixels, "
              f"not 291 x 241")
        return (min(xs) + 120, max(ys) - 20)

    def at(self, x, y):
        return self.image.pixel(self.origin[0] + x, self.origin[1] - y)

    def check_canvas(self):
        """The display area is white but for the canvas frame and the road network."""
        img, (ox, oy) = self.image, self.origin
        for y in range(self.top, self.bottom + 1):
            row = img.row_bytes(y)
            for x in range(self.left, self.right + 1):
                if row[3 * x:3 * x + 3] == b"\xff\xff\xff":
                    continue
                if x in (self.left, self.left + 600) or y == self.top:
                    check(img.pixel(x, y) == BLACK, f"canvas frame not black at ({x}, {y})")
                    continue
                lx, ly = x - ox, oy - y
                check(-120 <= lx <= 170 and -20 <= ly <= 220,
                      f"display area not white at window pixel ({x}, {y}): {img.pixel(x, y)}")

    def check_intersections(self):
        """Six black 41 x 41 squares at their centres. A side with lanes is edged by the
        lanes' white outline; a side without ends in black, with white beyond it."""
        for (cx, cy), sides in INTERSECTIONS.items():
            inside = [self.at(x, y) for x in range(cx - 19, cx + 20) for y in range(cy - 19, cy + 20)]
            bad = [p for p in inside if p != BLACK and p not in BODY_COLOURS]
            check(not bad, f"intersection at ({cx}, {cy}) has foreign colours {set(bad)}")
            black = inside.count(BLACK)
            check(black >= 0.75 * len(inside),
                  f"intersection at ({cx}, {cy}) is not black: {black} of {len(inside)} pixels")
            for side in range(4):
                edge = self._side_pixels(cx, cy, side, sides, 20)
                if side in sides:
                    check(BLACK not in edge,
                          f"intersection at ({cx}, {cy}): side {side} is not edged by its lanes")
                else:
                    beyond = self._side_pixels(cx, cy, side, sides, 21)
                    check(set(edge) == {BLACK} and set(beyond) == {WHITE},
                          f"intersection at ({cx}, {cy}): side {side} does not end 20 pixels "
                          f"from the centre")

    def _side_pixels(self, cx, cy, side, sides, distance):
        """The pixels of one side's line at a distance from the centre, without corners
        that belong to a side with lanes."""
        dx, dy = STEP[side]
        # The sides at the line's two ends: along x they are west and east, along y south
        # and north.
        ends = (3, 1) if dx == 0 else (2, 0)
        pixels = []
        for along in range(-20, 21):
            end = ends[0] if along == -20 else ends[1] if along == 20 else None
            if distance == 20 and end in sides:
                continue
            if dx == 0:
                pixels.append(self.at(cx + along, cy + dy * distance))
            else:
                pixels.append(self.at(cx + dx * distance, cy + along))
        return pixels

    def check_lanes(self):
        """Each lane: black inside a white outline, vehicles only along its middle."""
        for name, axis, c, a, b, _ in LANES:
            lo, hi = min(a, b), max(a, b)
            for v in range(lo + 1, hi):
                across = [self._lane_at(axis, c, off, v) for off in range(-10, 11)]
                check(across[0] == WHITE and across[-1] == WHITE,
                      f"lane {name} has no white outline at {v}")
                check(set(across[1:5] + across[-5:-1]) == {BLACK},
                      f"lane {name} is not black beside its middle at {v}")
            for off in range(-10, 11):
                for v in (lo, hi):
                    check(self._lane_at(axis, c, off, v) != BLACK,
                          f"lane {name} has no white outline across its end at {v}")

    def _lane_at(self, axis, c, off, v):
        return self.at(c + off, v) if axis == "x" else self.at(v, c + off)

    def vehicles(self, strict=True):
        """Vehicles along the lanes' middles: (lane, kind colour, offset from the lane's
        entry). A body of its kind's colour and size with a red arrow ahead of it. Not
        strict, what does not read as a vehicle (vehicles drawn over each other) is left
        out instead of failing."""
        found = []
        for lane in LANES:
            runs = self._lane_runs(lane)
            i = 0
            while i < len(runs):
                try:
                    vehicle, used = self._vehicle(lane, runs[i])
                    found.append(vehicle)
                    i += used
                except Failure:
                    if strict:
                        raise
                    i += 1
        return found

    def _lane_runs(self, lane):
        """Runs of colour on a lane's middle line in the direction of travel, from 12
        behind its entry to 12 past its end, without the outlines across its ends and
        without runs wholly beyond its ends (crossing traffic inside the intersections)."""
        name, axis, c, a, b, _ = lane
        sign = 1 if b > a else -1
        self._positions = positions = list(range(a - 12 * sign, b + 13 * sign, sign))
        runs = []
        for i, v in enumerate(positions):
            colour = self._lane_at(axis, c, 0, v)
            if runs and runs[-1][0] == colour:
                runs[-1][2] += 1
            else:
                runs.append([colour, i, 1])
        inside = lambda v: min(a, b) <= v <= max(a, b)
        edges = {a, b}
        return [(r, positions) for r in runs if r[0] != BLACK
                and not (r[0] == WHITE and r[2] == 1 and positions[r[1]] in edges)
                and any(inside(positions[r[1] + k]) for k in range(r[2]))]

    def _vehicle(self, lane, run_at):
        name, axis, c, a, b, _ = lane
        sign = 1 if b > a else -1
        (colour, start, length), positions = run_at
        edges = {a, b}
        if colour == RED:
            check(length == 19, f"lane {name}: a red run of {length} is no long vehicle")
            body, kind = (start, 13), "red"
        else:
            colours = [self._lane_at(axis, c, 0, v) for v in positions]
            covers_edge = any(positions[start + k] in edges for k in range(length))
            check(colour in BODY_COLOURS and length in ((10, 11) if covers_edge else (10,)),
                  f"lane {name}: a run of {length} in {colour} is no vehicle body")
            arrow = colours[start + length:start + length + 7]
            check(arrow[:6] == [RED] * 6 and arrow[6:7] != [RED],
                  f"lane {name}: the {BODY_COLOURS[colour]} vehicle has no red arrow ahead")
            body, kind = (start + length - 10, 10), BODY_COLOURS[colour]
        # Position: 5 behind the arrow's base.
        position = positions[body[0] + body[1] - 5]
        # Across the body, on a row that is not a lane end's outline.
        v = next(position - k * sign for k in range(1, 5) if position - k * sign not in edges)
        self._check_width(name, axis, c, v, kind)
        # A body of another colour is followed by its arrow's run.
        return (name, kind, (position - a) * sign), 1 if kind == "red" else 2

    def _check_width(self, name, axis, c, v, kind):
        colour = {v: k for k, v in BODY_COLOURS.items()}[kind]
        width = sum(1 for off in range(-8, 9) if self._lane_at(axis, c, off, v) == colour)
        want = 5 if kind == "yellow" else 11
        check(width == want, f"lane {name}: {kind} vehicle body is {width} wide, not {want}")


# The seven vehicles the network starts with: lane and kind.
INITIAL_VEHICLES = sorted([("R1", "red"), ("R4", "blue"), ("R3", "yellow"), ("R5", "white"),
                           ("R6", "white"), ("R7", "white"), ("R8", "white")])


def initial_progress(vehicles):
    """How far the seven starting vehicles have come, the same for all while none has
    reached a lane's end; fails if they are not all there or differ."""
    start = sorted((lane, kind) for lane, kind, offset in vehicles if kind == "white")
    offsets = {}
    for lane, kind in INITIAL_VEHICLES:
        mine = [o for l, k, o in vehicles if l == lane and k == kind]
        check(mine, f"no {kind} vehicle on {lane}: found {vehicles}")
        offsets[(lane, kind)] = max(mine)
    check(len(start) == 4, f"expected four white vehicles, found {vehicles}")
    values = set(offsets.values())
    check(len(values) == 1, f"the starting vehicles have come different ways: {offsets}")
    return values.pop()


LANE_LENGTH = {name: abs(b - a) for name, _, _, a, b, _ in LANES}


def moved_by(before, after, ticks):
    """Whether the vehicles of the second reading are those of the first after this many
    ticks: each one that was more than that short of its lane's end has come exactly that
    far, and every other one further along its lane than that was there before, that much
    behind, or waits at the end. Vehicles near an entry may be new. Returns a reason when
    not, None when so."""
    moving = [(l, k, o) for l, k, o in before if o + ticks <= LANE_LENGTH[l]]
    if not moving:
        return "no vehicle far enough from a lane's end to tell"
    for l, k, o in moving:
        if (l, k, o + ticks) not in after:
            return f"the {k} vehicle on {l} at {o} is not at {o + ticks}: {before} -> {after}"
    for l, k, o in after:
        end = LANE_LENGTH[l]
        if o > ticks and (l, k, o - ticks) not in before and not (
                o == end and any((l, k, e) in before for e in range(end - ticks, end + 1))):
            return f"the {k} vehicle on {l} at {o} came from nowhere: {before} -> {after}"
    return None
