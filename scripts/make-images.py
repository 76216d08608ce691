#!/usr/bin/env python3
"""Draws Zoravel's own images into Resources/Images.

Standard library only: each picture is a list of shapes in points, sampled
8 x 8 times a pixel for smooth edges, and written as an RGBA PNG at 1x and 2x.
Run it again after changing a picture and commit the PNG files it writes.
"""

import math
import os
import struct
import zlib

SAMPLES = 8

INK = (0x33, 0x33, 0x33, 255)
PAPER = (0xFF, 0xFF, 0xFF, 255)
RED = (0xD6, 0x3B, 0x32, 255)
CELL = (0x6B, 0x6B, 0x6B, 255)


def rounded_rect_distance(x, y, left, top, right, bottom, radius):
    """Signed distance from (x, y) to a rounded rectangle (negative inside)."""
    cx, cy = (left + right) / 2, (top + bottom) / 2
    hx, hy = (right - left) / 2 - radius, (bottom - top) / 2 - radius
    qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


def in_rect(x, y, left, top, right, bottom):
    return left <= x < right and top <= y < bottom


def calendar_page(x, y):
    """The tray icon: a calendar page with a red heading, two binder rings
    and a grid of days, one of them today's. 20 x 20 points, y down."""
    page = rounded_rect_distance(x, y, 2.5, 3.5, 17.5, 17.5, 2.0)
    colour = None
    if page <= 0:
        colour = RED if y < 7.5 else PAPER
    if abs(page) <= 0.5:
        colour = INK
    for left in (5.5, 13.0):
        if in_rect(x, y, left, 1.5, left + 1.5, 5.5):
            colour = INK
    for row, top in enumerate((9.5, 13.0)):
        for column, left in enumerate((5.0, 9.0, 13.0)):
            if in_rect(x, y, left, top, left + 2.0, top + 2.0):
                colour = RED if (row, column) == (1, 1) else CELL
    return colour


def sample(shape, x, y, step, samples):
    """The colour of one pixel from samples x samples points of the shape."""
    red = green = blue = alpha = 0.0
    for sy in range(samples):
        for sx in range(samples):
            colour = shape(x + (sx + 0.5) * step / samples, y + (sy + 0.5) * step / samples)
            if colour is None:
                continue
            a = colour[3] / 255
            red += colour[0] * a
            green += colour[1] * a
            blue += colour[2] * a
            alpha += a
    if alpha <= 0:
        return None
    count = samples * samples
    return (red / alpha, green / alpha, blue / alpha, 255 * alpha / count)


def render(shape, points, scale):
    width, height = points if isinstance(points, tuple) else (points, points)
    rows = []
    for py in range(height * scale):
        row = bytearray()
        for px in range(width * scale):
            colour = shape.pixel(px / scale, py / scale, 1 / scale) if hasattr(shape, "pixel") else \
                sample(shape, px / scale, py / scale, 1 / scale, SAMPLES)
            if colour is None:
                row += bytes(4)
            else:
                row += bytes(max(0, min(255, round(c))) for c in colour)
        rows.append(bytes(row))
    return width * scale, height * scale, rows


def png(width, height, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + row for row in rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def over(top, bottom):
    """Porter-Duff over of two straight-alpha colours (alpha 0-255)."""
    if top is None or top[3] <= 0:
        return bottom
    if bottom is None or bottom[3] <= 0:
        return top
    ta, ba = top[3] / 255, bottom[3] / 255
    a = ta + ba * (1 - ta)
    return tuple((top[i] * ta + bottom[i] * ba * (1 - ta)) / a for i in range(3)) + (255 * a,)


def with_coverage(colour, coverage):
    return colour[:3] + (colour[3] * coverage,)


def coverage_of(distance, pixel):
    """How much of a pixel a shape covers from its signed distance (points)."""
    return max(0.0, min(1.0, 0.5 - distance / pixel))


def segment_distance(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - ax - t * dx, y - ay - t * dy)


def arc_distance(x, y, cx, cy, radius, start, end):
    """Distance to a circle's arc from angle start to end (degrees, clockwise
    on screen since y points down)."""
    angle = math.degrees(math.atan2(y - cy, x - cx)) % 360
    span = end - start
    if span >= 360 or (angle - start) % 360 <= span:
        return abs(math.hypot(x - cx, y - cy) - radius)
    ends = [(cx + radius * math.cos(math.radians(a)), cy + radius * math.sin(math.radians(a))) for a in (start, end)]
    return min(math.hypot(x - ex, y - ey) for ex, ey in ends)


class Splash:
    """The splash banner: the tray icon's calendar page beside the program's
    name drawn in round-ended strokes, white on the main window's deep blue."""

    WIDTH, HEIGHT = 1426, 300
    TOP, BOTTOM = (30, 62, 128, 255), (12, 34, 83, 255)
    TEXT = (246, 248, 252, 255)
    ICON_SCALE = 8.0
    ICON_LEFT, ICON_TOP = 318.0, 62.0
    STROKE = 7.0  # half the width of a letter's stroke
    BASE, XTOP, CAP = 196.0, 124.0, 96.0

    def __init__(self):
        h, b, xt, cap = self.STROKE, self.BASE, self.XTOP, self.CAP
        r = (b - xt) / 2 - h  # bowl radius, to the middle of the stroke
        cy = (b + xt) / 2
        x = 560.0
        parts = []

        def seg(ax, ay, bx, by):
            parts.append(("s", ax, ay, bx, by))

        def arc(cx, cy_, rad, start, end):
            parts.append(("a", cx, cy_, rad, start, end))

        # Z
        seg(x + h, cap + h, x + 70 - h, cap + h)
        seg(x + 70 - h, cap + h, x + h, b - h)
        seg(x + h, b - h, x + 70 - h, b - h)
        x += 70 + 24
        # o
        arc(x + h + r, cy, r, 0, 360)
        x += 2 * (r + h) + 24
        # r
        seg(x + h, xt + h, x + h, b - h)
        arc(x + h + r, xt + h + r, r, 180, 300)
        x += r + 2 * h + 26
        # a (one storey)
        arc(x + h + r, cy, r, 0, 360)
        seg(x + 2 * r + h, xt + h, x + 2 * r + h, b - h)
        x += 2 * (r + h) + 22
        # v
        seg(x + h, xt + h, x + 34, b - h)
        seg(x + 34, b - h, x + 68 - h, xt + h)
        x += 68 + 22
        # e: a ring open at the lower right, crossed by its bar
        arc(x + h + r, cy, r, 40, 360)
        seg(x + h, cy, x + h + 2 * r, cy)
        x += 2 * (r + h) + 24
        # l
        seg(x + h, cap + h, x + h, b - h)
        self.parts = parts
        self.text_box = (560.0 - 2, cap - 2, x + 2 * h + 2, b + 2)

    def text_distance(self, x, y):
        best = 1e9
        for part in self.parts:
            if part[0] == "s":
                d = segment_distance(x, y, *part[1:])
            else:
                d = arc_distance(x, y, *part[1:])
            best = min(best, d)
        return best - self.STROKE

    def pixel(self, x, y, pixel):
        cx, cy = x + pixel / 2, y + pixel / 2
        card = rounded_rect_distance(cx, cy, 0, 0, self.WIDTH, self.HEIGHT, 22.0)
        cover = coverage_of(card, pixel)
        if cover <= 0:
            return None
        t = cy / self.HEIGHT
        colour = tuple(self.TOP[i] + (self.BOTTOM[i] - self.TOP[i]) * t for i in range(3)) + (255,)
        left, top = self.ICON_LEFT, self.ICON_TOP
        side = 20 * self.ICON_SCALE
        if left <= cx < left + side and top <= cy < top + side:
            icon = lambda u, v: calendar_page((u - left) / self.ICON_SCALE, (v - top) / self.ICON_SCALE)
            colour = over(sample(icon, x, y, pixel, 4), colour)
        box = self.text_box
        if box[0] - 2 <= cx < box[2] + 2 and box[1] - 2 <= cy < box[3] + 2:
            colour = over(with_coverage(self.TEXT, coverage_of(self.text_distance(cx, cy), pixel)), colour)
        return with_coverage(colour, cover)


# The marks drawn over a category's colour in the item-kind icons and the task
# check boxes. The icons draw only the top-left 9 x 9 points of a mark at the
# lower-left corner of a square of 12 or 13 points, so each mark keeps to the
# part x 3-9, y 0-6 (y down), which lands in the middle of the square.
MARK = (0xFF, 0xFF, 0xFF, 255)
SOFT_MARK = (0xFF, 0xFF, 0xFF, 200)
MARK_EDGE = (0x00, 0x00, 0x00, 90)


def horizontal_lines(rows, lengths, colour, thickness=1.0):
    """Lines of one point across the mark's area, from its left edge."""
    def shape(x, y):
        for top, length in zip(rows, lengths):
            if in_rect(x, y, 3.0, top, 3.0 + length, top + thickness):
                return colour
        return None
    return shape


def box_outline(x, y):
    outer = in_rect(x, y, 3.0, 0.0, 9.0, 6.0)
    inner = in_rect(x, y, 4.0, 1.0, 8.0, 5.0)
    return MARK if outer and not inner else None


def ticked_box(x, y):
    """A done task: a tick across the whole mark, clearer at this size than
    a tick inside the box."""
    tick = min(segment_distance(x, y, 3.6, 3.2, 5.4, 5.2), segment_distance(x, y, 5.4, 5.2, 8.6, 0.6))
    if tick <= 0.7:
        return MARK
    return None


def planned_task(x, y):
    """A dot for the task and two lines for its time on the day grid."""
    if in_rect(x, y, 3.0, 0.0, 5.0, 2.0) or in_rect(x, y, 6.0, 1.0, 9.0, 2.0):
        return MARK
    return horizontal_lines((4.0,), (6.0,), MARK)(x, y)


def done_tick(x, y):
    """The tick over a done task's box: drawn at (-2, -1) over a box whose
    square starts at x 0, so the box spans x 2-14 of this picture."""
    d = min(segment_distance(x, y, 4.5, 7.5, 7.0, 10.5), segment_distance(x, y, 7.0, 10.5, 13.0, 2.5))
    if d <= 1.1:
        return MARK
    if d <= 1.8:
        return MARK_EDGE
    return None


TAB_PAPER = (0xEC, 0xEE, 0xF2, 255)
TAB_STRIPE = (0xDF, 0xE2, 0xE8, 255)


def tab_pattern(x, y):
    """The background of the tabs that are not in front: fine diagonal
    stripes on a light grey, a 4-point tile that repeats seamlessly."""
    if (x + y) % 4.0 < 1.0:
        return TAB_STRIPE
    return TAB_PAPER


PATTERN_STRIPE = (0x80, 0x80, 0x80, 110)


def see_through_pattern(x, y):
    """The fill under the box of an item the user cannot change (a shared or
    see-through category): grey diagonal stripes on nothing, an 8-point tile
    that repeats seamlessly."""
    if (x + y) % 8.0 < 2.5:
        return PATTERN_STRIPE
    return None


def planned_task_mark(x, y):
    """The mark of a task placed on the day grid, drawn at the top left of
    its box: a check box with a tick, in the title's dark grey, 11 points."""
    outline = rounded_rect_distance(x, y, 1.0, 1.0, 10.0, 10.0, 1.5)
    if abs(outline) <= 0.6:
        return INK
    tick = min(segment_distance(x, y, 3.0, 5.5, 4.8, 7.6), segment_distance(x, y, 4.8, 7.6, 8.2, 3.2))
    if tick <= 0.75:
        return INK
    return None


# The main window. Its backgrounds are stretched vertically in three slices
# (a 40-point top cap, repeated middle rows, a 40-point bottom cap), so every
# band and edge lies on whole points and the middle rows are all alike.
PANEL = (0xE6, 0xE7, 0xEB, 255)
PANEL_BAND = (0x3E, 0x4A, 0x61, 255)
LIST_PANEL = (0xEE, 0xEF, 0xF2, 255)
LIST_BAND = (0x46, 0x52, 0x69, 255)
BAND_RULE = (0xDC, 0xDD, 0xE2, 255)
PANEL_EDGE = (0xC4, 0xC6, 0xCD, 255)
BAND_HEIGHT = 40.0


class Flat:
    """A picture whose pixels are read at their centres: for shapes made only
    of whole-point bands, quicker than sampling and as crisp."""

    def __init__(self, colour_at):
        self.colour_at = colour_at

    def pixel(self, x, y, pixel):
        return self.colour_at(x + pixel / 2, y + pixel / 2)


def panel(fill, band, width, edge):
    """A column of the main window: a lighter band for its title, a faint
    rule under it, and a darker line on one side ("left", "right" or None)."""
    def colour_at(x, y):
        if (edge == "left" and x < 1.0) or (edge == "right" and x >= width - 1.0):
            return PANEL_EDGE
        if band == fill or y >= BAND_HEIGHT:
            return fill
        return BAND_RULE if y >= BAND_HEIGHT - 1.0 else band
    return Flat(colour_at)


SHADOW_DEPTH = 10.0
SHADOW_ALPHA = 0.28


def shadow_alpha(distance):
    """The shadow's strength at a distance (points) in from where it is
    darkest, easing out to nothing at SHADOW_DEPTH."""
    t = max(0.0, min(1.0, distance / SHADOW_DEPTH))
    return 255 * SHADOW_ALPHA * (1 - t) ** 2


def box_shadow(side):
    """The shadow around a box: dark at the picture's edges and clear inside,
    with round corners, so it can be sliced nine ways around any box."""
    inner = (SHADOW_DEPTH, SHADOW_DEPTH, side - SHADOW_DEPTH, side - SHADOW_DEPTH)

    def colour_at(x, y):
        beyond = rounded_rect_distance(x, y, *inner, 4.0)
        return (0, 0, 0, shadow_alpha(SHADOW_DEPTH - beyond))
    return Flat(colour_at)


def bottom_shadow(x, y):
    return (0, 0, 0, shadow_alpha(y))


class Mark:
    """A small mark sampled like the others, but told the pixel's size so it
    can keep thin strokes on whole pixels at 1x."""

    def __init__(self, shape):
        self.shape = shape

    def pixel(self, x, y, pixel):
        return sample(lambda u, v: self.shape(u, v, pixel), x, y, pixel, SAMPLES)


def polygon_distance(x, y, points):
    """Signed distance to a closed polygon (negative inside)."""
    best = min(segment_distance(x, y, *points[i], *points[(i + 1) % len(points)]) for i in range(len(points)))
    inside = False
    for i in range(len(points)):
        (ax, ay), (bx, by) = points[i], points[(i + 1) % len(points)]
        if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
            inside = not inside
    return -best if inside else best


def outline(distance, width=1.0):
    """Inside a stroke of the given width laid just inside a shape's edge."""
    return -width <= distance <= 0.0


BUTTON_MARK = (90, 90, 95, 255)
ACCENT = (61, 98, 187, 255)


def pane_button(filled):
    """A window split in two; the right half outlined, or filled once the
    list column is shown."""
    def shape(x, y):
        frame = rounded_rect_distance(x, y, 2.0, 4.0, 18.0, 16.0, 1.5)
        if outline(frame) or in_rect(x, y, 10.0, 4.0, 11.0, 16.0):
            return BUTTON_MARK
        if filled and frame <= 0 and x >= 10.0:
            return BUTTON_MARK
        return None
    return shape


def pin(filled):
    """A push pin standing up: a round head, a waist, a wide collar and the
    needle below it. Its parts are odd numbers of points wide round x 10.5,
    so the one-point needle lies on whole pixels at 1x."""
    colour = ACCENT if filled else BUTTON_MARK

    def shape(x, y):
        body = min(rounded_rect_distance(x, y, 6.0, 2.0, 15.0, 5.0, 1.5),
                   rounded_rect_distance(x, y, 8.0, 4.0, 13.0, 10.0, 0.01),
                   rounded_rect_distance(x, y, 4.0, 10.0, 17.0, 13.0, 1.5))
        if in_rect(x, y, 10.0, 13.0, 11.0, 18.5):
            return colour
        if (body <= 0) if filled else outline(body):
            return colour
        return None
    return shape


def arrow_head(x, y, tip, back, half_width):
    """Inside a triangle pointing from the middle of its back to its tip."""
    dx, dy = tip[0] - back[0], tip[1] - back[1]
    length = math.hypot(dx, dy)
    ux, uy = dx / length, dy / length
    along = (x - back[0]) * ux + (y - back[1]) * uy
    across = abs(-(x - back[0]) * uy + (y - back[1]) * ux)
    return 0.0 <= along <= length and across <= half_width * (1 - along / length)


def syncing(x, y):
    """Two arrows chasing each other round a circle."""
    cx = cy = 10.0
    radius = 6.0
    if min(arc_distance(x, y, cx, cy, radius, 200, 330), arc_distance(x, y, cx, cy, radius, 20, 150)) <= 0.75:
        return BUTTON_MARK
    for end in (330.0, 150.0):
        a = math.radians(end)
        back = (cx + radius * math.cos(a), cy + radius * math.sin(a))
        # Clockwise on screen the tangent is (-sin, cos).
        tip = (back[0] - 3.5 * math.sin(a), back[1] + 3.5 * math.cos(a))
        if arrow_head(x, y, tip, back, 3.0):
            return BUTTON_MARK
    return None


def gear(x, y):
    """A cog of eight teeth round a hole, the face of the gear menu."""
    cx = cy = 10.0
    distance = math.hypot(x - cx, y - cy)
    if distance < 2.6:
        return None
    # Each tooth takes the middle 40 % of its eighth of the turn.
    turn = (math.degrees(math.atan2(y - cy, x - cx)) + 22.5 / 2) % 45.0 / 45.0
    rim = 7.6 if 0.3 <= turn <= 0.7 else 5.6
    return BUTTON_MARK if distance <= rim else None


def add_new(x, y):
    """A plus in a ring: the add button of the quick-add bar."""
    cx = cy = 10.0
    ring = abs(math.hypot(x - cx, y - cy) - 7.0) <= 0.75
    bar = in_rect(x, y, 9.25, 5.5, 10.75, 14.5) or in_rect(x, y, 5.5, 9.25, 14.5, 10.75)
    return BUTTON_MARK if ring or bar else None


def eye(x, y):
    """An almond outline, from two circles' overlap, round a full pupil."""
    half_height, half_width = 4.5, 7.5
    offset = (half_width ** 2 - half_height ** 2) / (2 * half_height)
    radius = offset + half_height
    almond = max(math.hypot(x - 10.0, y - (10.0 + offset)), math.hypot(x - 10.0, y - (10.0 - offset))) - radius
    if outline(almond, 1.2) or math.hypot(x - 10.0, y - 10.0) <= 2.5:
        return BUTTON_MARK
    return None


def eye_in(colour):
    """The eye in another colour: the category button while a category is
    hidden."""
    def shape(x, y):
        return colour if eye(x, y) else None
    return shape


def price_tag(x, y):
    """A tag pointing left, its hole near the point: a dot on whole pixels,
    which reads better at 1x than a ring."""
    tag = polygon_distance(x, y, [(2.0, 10.0), (7.0, 5.0), (18.0, 5.0), (18.0, 15.0), (7.0, 15.0)])
    if outline(tag) or math.hypot(x - 8.0, y - 10.0) <= 1.1:
        return BUTTON_MARK
    return None


def price_tag_in(colour):
    """The tag in another colour: the tag button while a tag filter is
    applied."""
    def shape(x, y):
        return colour if price_tag(x, y) else None
    return shape


def speech_bubble(x, y):
    """A bubble with its tail at the lower left, in the left 20 points."""
    bubble = min(rounded_rect_distance(x, y, 2.0, 3.0, 18.0, 14.0, 3.0),
                 polygon_distance(x, y, [(5.0, 13.0), (9.0, 13.0), (4.0, 17.5)]))
    if outline(bubble):
        return BUTTON_MARK
    return None


def calendar_view(body):
    """A page for the view switch: an outline with a full top band, and what
    the view shows drawn inside by `body`. The switch takes only the marks'
    shapes and gives them its own colours; drawn as they are, they wear the
    bar's grey, so they show on a light ground as on a dark one."""
    def shape(x, y, pixel):
        page = rounded_rect_distance(x, y, 1.0, 1.0, 15.0, 15.0, 1.5)
        if page <= 0 and (y < 4.0 or outline(page)):
            return BUTTON_MARK
        if body(x, y, pixel):
            return BUTTON_MARK
        return None
    return Mark(shape)


def day_body(x, y, pixel):
    return in_rect(x, y, 4.0, 8.0, 12.0, 10.0)


def month_step(forward):
    """A small filled triangle for the mini month's previous and next month,
    pointing left or right, centred in its square."""
    tip, back = (13.0, 5.0) if forward else (5.0, 13.0)

    def shape(x, y):
        points = [(back, 4.0), (tip, 9.0), (back, 14.0)]
        if polygon_distance(x, y, points) <= 0.0:
            return BUTTON_MARK
        return None
    return shape


def week(x, y, pixel):
    """A page of seven columns one point wide and a point apart under a top
    band; they span 13 points, so centred they would sit half a point off the
    grid: at 1x they move left onto whole pixels."""
    left = 1.0 if pixel >= 1.0 else 1.5
    column = x - left
    if 0.0 <= column < 13.0 and (y < 4.0 and y >= 1.0 or 5.0 <= y < 15.0 and column % 2.0 < 1.0):
        return BUTTON_MARK
    return None


def month_body(x, y, pixel):
    return any(in_rect(x, y, left, top, left + 1.0, top + 1.0)
               for left in (3.0, 6.0, 9.0, 12.0) for top in (6.0, 9.0, 12.0))
TAB_ICON_NORMAL = (0x7A, 0x80, 0x8C, 255)
TAB_ICON_SELECTED = (0x3D, 0x62, 0xBB, 255)


def stroke(distance, half_width, colour):
    """The colour where a point lies within half_width of a line."""
    return colour if distance <= half_width else None


def task_icon(colour):
    """A task: a rounded box with a tick running out of it, 16 points."""
    def shape(x, y):
        box = rounded_rect_distance(x, y, 2.5, 3.5, 12.5, 13.5, 2.0)
        tick = min(segment_distance(x, y, 5.0, 8.0, 7.5, 10.8), segment_distance(x, y, 7.5, 10.8, 14.0, 2.5))
        if tick <= 1.0:
            return colour
        return stroke(abs(box), 0.6, colour)
    return shape


def note_icon(colour):
    """A note: a page with a folded corner and three lines of text."""
    def shape(x, y):
        page = rounded_rect_distance(x, y, 3.0, 2.0, 13.0, 14.5, 1.0)
        if x + (2.0 - y) > 13.0 - 3.5:
            # The folded corner: the page's outline gives way to the fold.
            fold = segment_distance(x, y, 9.5, 2.0, 13.0, 5.5)
            return stroke(fold, 0.6, colour)
        for top, length in ((6.5, 6.0), (9.0, 6.0), (11.5, 4.0)):
            if in_rect(x, y, 5.0, top, 5.0 + length, top + 1.0):
                return colour
        return stroke(abs(page), 0.6, colour)
    return shape


def asset_icon(colour):
    """Links: two chain links crossing."""
    def shape(x, y):
        first = rounded_rect_distance(x, y, 1.5, 6.0, 10.0, 11.0, 2.5)
        second = rounded_rect_distance(x, y, 6.0, 5.0, 14.5, 10.0, 2.5)
        return stroke(min(abs(first), abs(second)), 0.7, colour)
    return shape


def conversation_icon(colour):
    """A conversation: a speech bubble with its tail at the lower left."""
    def shape(x, y):
        bubble = rounded_rect_distance(x, y, 1.5, 2.5, 14.5, 11.0, 2.5)
        if y > 10.5 and 3.5 <= x <= 6.5 and y - 10.5 <= (6.5 - x) * 1.2:
            return colour
        return stroke(abs(bubble), 0.7, colour)
    return shape


def project_icon(colour):
    """A project: a folder with its tab on the upper left."""
    def shape(x, y):
        body = rounded_rect_distance(x, y, 1.5, 5.0, 14.5, 13.5, 1.5)
        tab = rounded_rect_distance(x, y, 1.5, 3.0, 7.0, 6.5, 1.0)
        if body <= 0 and y < 7.0:
            return colour
        if tab <= 0:
            return colour
        return stroke(abs(body), 0.6, colour)
    return shape


GURU_DISC = (0x8A, 0x93, 0xA3, 255)


def guru_mark(x, y):
    """The help button: a white question mark on a grey disc, 20 points."""
    disc = math.hypot(x - 10.0, y - 10.0) - 7.0
    if disc > 0.5:
        return None
    curl = arc_distance(x, y, 10.0, 8.2, 2.5, 180.0, 405.0)
    stem = segment_distance(x, y, 11.77, 9.97, 10.0, 11.6)
    dot = math.hypot(x - 10.0, y - 14.0) - 0.95
    if min(curl, stem) <= 0.85 or dot <= 0:
        return PAPER
    return GURU_DISC


def globe(x, y):
    """The time-zone picker's button: a globe, its outline, equator, one
    meridian's ellipse and the central meridian."""
    cx, cy, radius = 10.0, 10.0, 6.5
    edge = math.hypot(x - cx, y - cy) - radius
    if edge > 0.6:
        return None
    if abs(edge) <= 0.6:
        return BUTTON_MARK
    meridian = math.hypot((x - cx) / 3.0, (y - cy) / radius) - 1.0
    if abs(meridian) * 3.0 <= 0.55 or abs(x - cx) <= 0.5 or abs(y - cy) <= 0.5:
        return BUTTON_MARK
    return None


# ---- the task pane ----------------------------------------------------------------

FILTER_INK = (0x4A, 0x4A, 0x4A, 255)
STAR_GOLD = (0xF2, 0xB1, 0x2B, 255)
STAR_EDGE = (0xB8, 0x80, 0x10, 255)
OFF_STAR = (0xB0, 0xB0, 0xB0, 255)
ACCEPT_GREEN = (0x2E, 0x8B, 0x3A, 255)
REJECT_RED = (0xC6, 0x32, 0x2B, 255)


def star_points(cx, cy, outer, inner):
    points = []
    for i in range(10):
        radius = outer if i % 2 == 0 else inner
        angle = math.radians(-90 + i * 36)
        points.append((cx + radius * math.cos(angle), cy + radius * math.sin(angle)))
    return points


def star_shape(fill, edge, size):
    """A five-pointed star; filled, or only its outline when fill is None."""
    points = star_points(size / 2, size / 2 + 0.5, size / 2 - 0.5, size / 5)
    def shape(x, y):
        distance = polygon_distance(x, y, points)
        if fill is not None and distance <= 0:
            return fill if distance < -0.6 else edge
        return stroke(abs(distance), 0.6, edge)
    return shape


def filter_all(x, y):
    """All tasks: three short lines, each led by a dot."""
    for top in (4.0, 8.0, 12.0):
        if math.hypot(x - 3.5, y - top) <= 1.2:
            return FILTER_INK
        if in_rect(x, y, 6.0, top - 0.6, 14.0, top + 0.6):
            return FILTER_INK
    return None


def filter_top(x, y):
    """The top task of each category: a bar over two lower bars."""
    if in_rect(x, y, 2.0, 3.0, 14.0, 6.0):
        return FILTER_INK
    for top in (8.5, 12.0):
        if in_rect(x, y, 4.0, top, 12.0, top + 1.2):
            return FILTER_INK
    return None


def filter_day(x, y):
    """The selected day's notes: a calendar page with one day marked."""
    page = rounded_rect_distance(x, y, 2.5, 3.0, 13.5, 14.0, 1.5)
    if in_rect(x, y, 2.5, 3.0, 13.5, 6.0):
        return FILTER_INK
    if in_rect(x, y, 6.5, 8.0, 9.5, 11.0):
        return FILTER_INK
    return stroke(abs(page), 0.6, FILTER_INK)


def filter_week(x, y):
    """This week's notes: a page whose one row of seven days is marked."""
    page = rounded_rect_distance(x, y, 1.5, 3.0, 14.5, 14.0, 1.5)
    if in_rect(x, y, 1.5, 3.0, 14.5, 6.0):
        return FILTER_INK
    for column in range(6):
        if in_rect(x, y, 3.0 + column * 2.0, 8.5, 4.0 + column * 2.0, 10.5):
            return FILTER_INK
    return stroke(abs(page), 0.6, FILTER_INK)


def filter_due(x, y):
    """Due: a clock face with its hands at four."""
    face = math.hypot(x - 8.0, y - 8.0) - 6.0
    hands = min(segment_distance(x, y, 8.0, 8.0, 8.0, 4.0), segment_distance(x, y, 8.0, 8.0, 11.0, 9.5))
    if hands <= 0.7:
        return FILTER_INK
    return stroke(abs(face), 0.6, FILTER_INK)


def filter_length(longest_first):
    """Durations: bars by length, longest on top or at the bottom."""
    lengths = (11.0, 8.0, 5.0) if longest_first else (5.0, 8.0, 11.0)
    def shape(x, y):
        for top, length in zip((3.0, 7.0, 11.0), lengths):
            if in_rect(x, y, 2.5, top, 2.5 + length, top + 2.0):
                return FILTER_INK
        return None
    return shape


def accept_tick(x, y):
    """Accept: a green tick."""
    tick = min(segment_distance(x, y, 2.5, 6.5, 5.0, 9.0), segment_distance(x, y, 5.0, 9.0, 9.5, 3.0))
    return ACCEPT_GREEN if tick <= 1.0 else None


def reject_cross(x, y):
    """Reject: a red cross."""
    cross = min(segment_distance(x, y, 3.0, 3.0, 9.0, 9.0), segment_distance(x, y, 9.0, 3.0, 3.0, 9.0))
    return REJECT_RED if cross <= 1.0 else None


FLAG_RED = (0xD9, 0x3B, 0x30, 255)
FLAG_POLE = (0x5A, 0x5A, 0x5A, 255)


def default_flag(x, y):
    """The default category's mark: a red pennant on a grey pole."""
    if segment_distance(x, y, 2.0, 1.5, 2.0, 13.0) <= 0.7:
        return FLAG_POLE
    if polygon_distance(x, y, ((2.5, 1.5), (10.5, 4.5), (2.5, 7.5))) <= 0.0:
        return FLAG_RED
    return None


NOTE_BOX_FILL = (0xFF, 0xFF, 0xFF, 255)
NOTE_BOX_EDGE = (0x7A, 0x7A, 0x7A, 255)
NOTE_TICK = (0x2E, 0x8B, 0x3A, 255)
MODE_INK = (0x55, 0x55, 0x55, 255)


def note_checkbox(ticked):
    """A checklist item's box (16 points, scaled to the text size): a white
    rounded square, and a green tick once the item is done."""
    def shape(x, y):
        if ticked:
            tick = min(segment_distance(x, y, 4.0, 8.5, 7.0, 11.5), segment_distance(x, y, 7.0, 11.5, 12.5, 4.0))
            if tick <= 1.2:
                return NOTE_TICK
        d = rounded_rect_distance(x, y, 2.0, 2.0, 14.0, 14.0, 2.5)
        if abs(d) <= 0.6:
            return NOTE_BOX_EDGE
        return NOTE_BOX_FILL if d < 0 else None
    return shape


def mode_text(x, y):
    """Plain-text input: four lines of text."""
    return horizontal_lines((4.0, 8.0, 12.0, 16.0), (14.0, 14.0, 14.0, 9.0), MODE_INK, 1.5)(x, y)


def mode_check(x, y):
    """Checklist input: three small boxes, each with its line."""
    for top in (3.0, 9.0, 15.0):
        outer = in_rect(x, y, 3.0, top, 7.0, top + 4.0)
        inner = in_rect(x, y, 4.0, top + 1.0, 6.0, top + 3.0)
        if outer and not inner:
            return MODE_INK
        if in_rect(x, y, 9.0, top + 1.5, 17.0, top + 2.5):
            return MODE_INK
    return None


# ---- the preferences toolbar ---------------------------------------------------------------

PREFERENCE_INK = (80, 84, 92, 255)
PREFERENCE_ACCENT = (61, 98, 187, 255)


def recoloured(shape, factor, colour):
    """A 20-point mark drawn larger, in another colour."""
    def scaled(x, y):
        return colour if shape(x / factor, y / factor) is not None else None
    return scaled


def task_box(x, y):
    """Tasks: a box with a tick through it."""
    frame = max(abs(x - 14.0), abs(y - 17.0)) - 9.0
    tick = min(segment_distance(x, y, 9.0, 17.0, 13.5, 22.0), segment_distance(x, y, 13.5, 22.0, 26.0, 7.0))
    if tick <= 1.6:
        return PREFERENCE_ACCENT
    return PREFERENCE_INK if abs(frame) <= 1.0 else None


def backup_drive(x, y):
    """Backup: a drive with a lit slot, and an arrow going into it."""
    body = max(abs(x - 16.0) - 12.0, abs(y - 23.0) - 5.5)
    if body <= 0:
        if abs(y - 23.0) <= 0.9 and 8.0 <= x <= 18.0 or math.hypot(x - 23.5, y - 23.0) <= 1.4:
            return PAPER
        return PREFERENCE_INK
    if segment_distance(x, y, 16.0, 3.0, 16.0, 13.0) <= 1.3 or arrow_head(x, y, (16.0, 16.5), (16.0, 11.5), 4.5):
        return PREFERENCE_ACCENT
    return None


# ---- the tips -----------------------------------------------------------------

TIP_PAPER = (0xFF, 0xFF, 0xFF, 255)
TIP_EDGE = (0xC9, 0xCD, 0xD6, 255)
TIP_BAND = (0x3E, 0x4A, 0x61, 255)
TIP_GRID = (0xE1, 0xE4, 0xEA, 255)
TIP_ROW = (0xF3, 0xF4, 0xF7, 255)
TIP_INK = (0x7A, 0x80, 0x8C, 255)
TIP_BLUE = (0x3D, 0x62, 0xBB, 255)
TIP_GREEN = (0x4C, 0xA8, 0x5B, 255)
TIP_ORANGE = (0xE8, 0x8A, 0x2E, 255)
TIP_RED = (0xD6, 0x3B, 0x32, 255)
TIP_VIOLET = (0x8E, 0x5C, 0xC2, 255)
TIP_POINTER = (0xF2, 0xB1, 0x2B, 255)


class Tip:
    """A tip picture: shapes laid one over the other on a white card with a
    dark band on top and, at the lower left, the site spot (15, 38 points
    from the lower-left corner, 100 x 10) drawn as a small link. Each shape
    is a signed distance with a bounding box, its edge smoothed from the
    distance, so large pictures render quickly."""

    def __init__(self, width, height):
        self.width, self.height = width, height
        self.shapes = []
        self.rect(0, 0, width, height, TIP_EDGE, 6.0)
        self.rect(1, 1, width - 1, height - 1, TIP_PAPER, 5.0)
        self.rect(1, 1, width - 1, 26, TIP_BAND, 5.0)
        self.rect(1, 14, width - 1, 26, TIP_BAND)
        spot_top = height - 48
        self.circle(22, spot_top + 5, 4.5, TIP_BLUE)
        self.circle(22, spot_top + 5, 2.5, TIP_PAPER)
        self.rect(31, spot_top + 3, 110, spot_top + 7, TIP_BLUE, 2.0)

    def add(self, box, distance, colour):
        self.shapes.append((box, distance, colour))

    def rect(self, left, top, right, bottom, colour, radius=0.0):
        self.add((left, top, right, bottom),
                 lambda x, y: rounded_rect_distance(x, y, left, top, right, bottom, radius), colour)

    def frame(self, left, top, right, bottom, colour, radius=0.0, width=1.0):
        self.add((left - width, top - width, right + width, bottom + width),
                 lambda x, y: abs(rounded_rect_distance(x, y, left, top, right, bottom, radius)) - width / 2, colour)

    def circle(self, cx, cy, radius, colour):
        self.add((cx - radius, cy - radius, cx + radius, cy + radius),
                 lambda x, y: math.hypot(x - cx, y - cy) - radius, colour)

    def line(self, ax, ay, bx, by, colour, width=2.0):
        half = width / 2
        self.add((min(ax, bx) - half, min(ay, by) - half, max(ax, bx) + half, max(ay, by) + half),
                 lambda x, y: segment_distance(x, y, ax, ay, bx, by) - half, colour)

    def polygon(self, points, colour):
        xs, ys = [p[0] for p in points], [p[1] for p in points]
        self.add((min(xs), min(ys), max(xs), max(ys)), lambda x, y: polygon_distance(x, y, points), colour)

    def arrow(self, ax, ay, bx, by, colour=TIP_POINTER):
        """A pointing arrow from (ax, ay) with its head at (bx, by)."""
        length = math.hypot(bx - ax, by - ay)
        ux, uy = (bx - ax) / length, (by - ay) / length
        back_x, back_y = bx - ux * 11, by - uy * 11
        self.line(ax, ay, back_x, back_y, colour, 4.0)
        self.polygon([(bx, by), (back_x - uy * 7, back_y + ux * 7), (back_x + uy * 7, back_y - ux * 7)], colour)

    def pixel(self, x, y, pixel):
        cx, cy = x + pixel / 2, y + pixel / 2
        colour = None
        for (left, top, right, bottom), distance, shape_colour in self.shapes:
            if not (left - pixel <= cx <= right + pixel and top - pixel <= cy <= bottom + pixel):
                continue
            coverage = coverage_of(distance(cx, cy), pixel)
            if coverage > 0:
                colour = over(with_coverage(shape_colour, coverage), colour)
        return colour


def tip_rows(tip, left, top, right, count, height=22, gap=6):
    for i in range(count):
        row_top = top + i * (height + gap)
        tip.rect(left, row_top, right, row_top + height, TIP_ROW, 4.0)
    return [top + i * (height + gap) for i in range(count)]


def tip_mini_month():
    """The mini month: a grid of days with today marked, busy days shaded,
    and a pointer at the day to pick."""
    tip = Tip(260, 200)
    for column in range(7):
        for row in range(5):
            left, top = 26 + column * 30, 40 + row * 20
            busy = (column * 3 + row) % 4 == 0
            tip.rect(left, top, left + 26, top + 16, TIP_GRID if not busy else (0xC9, 0xD6, 0xF0, 255), 3.0)
    tip.rect(26 + 3 * 30, 40 + 2 * 20, 26 + 3 * 30 + 26, 40 + 2 * 20 + 16, TIP_RED, 3.0)
    tip.arrow(200, 150, 150, 92)
    return tip


def tip_day_calendar(page):
    """The day calendar: hours with events; page 1 drags a task onto an hour,
    page 2 stretches an event by its lower edge."""
    height = 220 if page == 1 else 250
    tip = Tip(300, height)
    for hour in range(6 if page == 1 else 7):
        y = 40 + hour * 22
        tip.line(56, y, 280, y, TIP_GRID, 1.0)
        tip.rect(26, y - 2, 46, y + 2, TIP_INK, 2.0)
    if page == 1:
        tip.rect(60, 42, 180, 82, (0xD3, 0xE6, 0xD6, 255), 4.0)
        tip.rect(60, 42, 64, 82, TIP_GREEN)
        tip.rect(190, 108, 276, 128, TIP_BLUE, 4.0)
        tip.frame(120, 108, 186, 128, TIP_BLUE, 4.0)
        tip.arrow(232, 146, 160, 146)
    else:
        tip.rect(60, 42, 200, 104, (0xF6, 0xDE, 0xC4, 255), 4.0)
        tip.rect(60, 42, 64, 104, TIP_ORANGE)
        tip.frame(60, 104, 200, 160, TIP_ORANGE, 4.0, 1.5)
        tip.rect(110, 100, 150, 108, TIP_ORANGE, 3.0)
        tip.arrow(130, 118, 130, 168)
    return tip


def tip_task_list():
    """The task list: rows with their boxes, one done and one starred, and a
    task carried out to the day calendar."""
    tip = Tip(280, 210)
    for i, top in enumerate(tip_rows(tip, 20, 38, 260, 4)):
        tip.frame(28, top + 6, 38, top + 16, TIP_INK, 2.0)
        tip.rect(46, top + 9, 46 + (150 - 25 * i), top + 13, TIP_INK, 2.0)
        if i == 1:
            tip.line(30, top + 11, 33, top + 14, TIP_GREEN, 2.0)
            tip.line(33, top + 14, 38, top + 6, TIP_GREEN, 2.0)
        if i == 2:
            tip.polygon(star_points(246, top + 11, 7.0, 3.0), TIP_POINTER)
    tip.arrow(150, 82, 40, 150)
    return tip


def tip_projects():
    """The projects: each category with its colour and its show-hide eye."""
    tip = Tip(280, 210)
    colours = (TIP_BLUE, TIP_GREEN, TIP_ORANGE, TIP_VIOLET)
    for colour, top in zip(colours, tip_rows(tip, 20, 38, 260, 4)):
        tip.circle(34, top + 11, 6.0, colour)
        tip.rect(48, top + 9, 190, top + 13, TIP_INK, 2.0)
        tip.frame(228, top + 6, 248, top + 16, TIP_INK, 5.0)
        tip.circle(238, top + 11, 2.5, TIP_INK)
    tip.arrow(200, 165, 236, 132)
    return tip


def tip_tags():
    """The tags: coloured labels, one of them picked to filter the lists."""
    tip = Tip(260, 190)
    pills = ((20, 44, 96, TIP_BLUE), (104, 44, 170, TIP_GREEN), (178, 44, 240, TIP_ORANGE),
             (20, 74, 110, TIP_VIOLET), (118, 74, 200, TIP_RED))
    for left, top, right, colour in pills:
        tip.rect(left, top, right, top + 22, colour, 11.0)
        tip.rect(left + 14, top + 9, right - 14, top + 13, TIP_PAPER, 2.0)
    tip.frame(116, 72, 202, 98, TIP_INK, 13.0, 1.5)
    tip.arrow(210, 138, 176, 104)
    return tip


def tip_notes():
    """The notes: pages of lines, linked to a task."""
    tip = Tip(280, 210)
    for left in (26, 150):
        tip.rect(left, 40, left + 100, 140, TIP_ROW, 4.0)
        tip.frame(left, 40, left + 100, 140, TIP_EDGE, 4.0)
        for line, length in enumerate((70, 76, 60, 72, 40)):
            tip.rect(left + 12, 56 + line * 15, left + 12 + length, 59 + line * 15, TIP_INK, 1.5)
    tip.frame(118, 84, 140, 96, TIP_BLUE, 6.0, 3.0)
    tip.frame(136, 84, 158, 96, TIP_BLUE, 6.0, 3.0)
    return tip


def page_arrow(pointing_left):
    """A tip's page arrow: a white chevron on a dark see-through disc."""
    def shape(x, y):
        if math.hypot(x - 22.5, y - 22.5) > 16.0:
            return None
        tip_x, back_x = (17.0, 27.0) if pointing_left else (28.0, 18.0)
        chevron = min(segment_distance(x, y, back_x, 14.0, tip_x, 22.5),
                      segment_distance(x, y, tip_x, 22.5, back_x, 31.0))
        return PAPER if chevron <= 1.8 else (0x22, 0x28, 0x33, 150)
    return shape


# ---- the web account -----------------------------------------------------------------------

CLOUD_BLUE = (72, 140, 214, 255)
SCREEN_INK = (70, 74, 82, 255)
SCREEN_GLASS = (214, 228, 244, 255)
BUTTON_FACE = (246, 247, 249, 255)
BUTTON_EDGE = (160, 164, 172, 255)
ARROW_GREEN = (46, 139, 58, 255)


def enlarged(shape, factor):
    """A sampled shape drawn larger, its colours kept."""
    def scaled(x, y):
        return shape(x / factor, y / factor)
    return scaled


def cloud_distance(x, y, cx, cy, size):
    """Signed distance to a cloud of three bumps on a flat base, `size`
    points wide, centred on (cx, cy)."""
    u = size / 32.0
    bumps = min(math.hypot(x - (cx - 7 * u), y - (cy + 2 * u)) - 6 * u,
                math.hypot(x - (cx + 1 * u), y - (cy - 3 * u)) - 8 * u,
                math.hypot(x - (cx + 8 * u), y - (cy + 3 * u)) - 5.5 * u)
    base = rounded_rect_distance(x, y, cx - 13 * u, cy + 1 * u, cx + 13.5 * u, cy + 8.5 * u, 3.5 * u)
    return min(bumps, base)


def ical_page(x, y):
    """The calendars of this computer: a page with a red band and a grid of
    days, 32 points."""
    page = rounded_rect_distance(x, y, 3.0, 4.0, 29.0, 29.0, 3.0)
    if page > 0:
        return None
    if abs(page) <= 0.8:
        return SCREEN_INK
    if y < 10.0:
        return RED
    for top in (13.0, 18.0, 23.0):
        for left in (7.0, 12.0, 17.0, 22.0):
            if in_rect(x, y, left, top, left + 3.0, top + 3.0):
                return CELL
    return PAPER


def cloud_logo(x, y):
    """The online account: a blue cloud."""
    return CLOUD_BLUE if cloud_distance(x, y, 16.0, 16.0, 30.0) <= 0 else None


def computer(x, y, left, top, size):
    """A monitor on its stand, `size` points wide, its top left at (left, top)."""
    u = size / 24.0
    frame = rounded_rect_distance(x, y, left, top, left + 24 * u, top + 16 * u, 1.5 * u)
    if frame <= 0:
        glass = rounded_rect_distance(x, y, left + 2 * u, top + 2 * u, left + 22 * u, top + 14 * u, 0.5 * u)
        return SCREEN_GLASS if glass <= 0 else SCREEN_INK
    if in_rect(x, y, left + 10 * u, top + 16 * u, left + 14 * u, top + 19 * u) or \
            in_rect(x, y, left + 6 * u, top + 19 * u, left + 18 * u, top + 20.5 * u):
        return SCREEN_INK
    return None


def transfer(to_web, width, height):
    """The computer and the cloud side by side with an arrow from one to the
    other: the direction of a replace."""
    scale = min(height / 50.0, width / 110.0)

    def shape(x, y):
        x0 = x / scale
        y0 = y / scale - (height / scale - 50.0) / 2
        mid = width / scale / 2
        machine = computer(x0, y0, mid - 50, 13, 26)
        if machine is not None:
            return machine
        if cloud_distance(x0, y0, mid + 36, 24, 30) <= 0:
            return CLOUD_BLUE
        start, end = (mid - 18, 25.0), (mid + 16, 25.0)
        if not to_web:
            start, end = end, start
        shaft_end = (end[0] - 5 if to_web else end[0] + 5, end[1])
        if segment_distance(x0, y0, start[0], start[1], shaft_end[0], shaft_end[1]) <= 1.6 or \
                arrow_head(x0, y0, end, shaft_end, 5.0):
            return ARROW_GREEN
        return None
    return shape


def transfer_button(to_web):
    """A replace command: the transfer on a light rounded face."""
    inner = transfer(to_web, 120, 50)

    def shape(x, y):
        face = rounded_rect_distance(x, y, 0.5, 0.5, 119.5, 49.5, 6.0)
        if face > 0:
            return None
        mark = inner(x, y)
        if mark is not None:
            return mark
        return BUTTON_EDGE if face > -1.0 else BUTTON_FACE
    return shape


# The start-up wizard: four slides with room for white text in their lower
# part (or left half), the account page on a light ground, its page dots
# and its two buttons. Shapes with bounding boxes, as the tips, so the
# large pages render quickly.
class Slide(Tip):
    """A page of the wizard: a vertical gradient under the shapes."""

    def __init__(self, width, height, top, bottom):
        self.width, self.height = width, height
        self.top, self.bottom = top, bottom
        self.shapes = []

    def pixel(self, x, y, pixel):
        t = (y + pixel / 2) / self.height
        ground = tuple(self.top[i] + (self.bottom[i] - self.top[i]) * t for i in range(3)) + (255,)
        return over(Tip.pixel(self, x, y, pixel), ground)


SLIDE_CARD = (0xFF, 0xFF, 0xFF, 235)
SLIDE_SHADE = (0x00, 0x00, 0x00, 60)


def slide_card(slide, left, top, right, bottom):
    slide.rect(left + 4, top + 6, right + 4, bottom + 6, SLIDE_SHADE, 10.0)
    slide.rect(left, top, right, bottom, SLIDE_CARD, 10.0)
    slide.rect(left, top, right, top + 34, TIP_BAND, 10.0)
    slide.rect(left, top + 20, right, top + 34, TIP_BAND)


def slide_welcome():
    """The organizer in one picture: a month, a day and a list side by side."""
    slide = Slide(540, 650, (0x2A, 0x4B, 0x8F), (0x0F, 0x22, 0x4F))
    slide_card(slide, 60, 50, 480, 260)
    for column in range(7):
        for row in range(4):
            left, top = 78 + column * 22, 100 + row * 36
            slide.rect(left, top, left + 18, top + 30, TIP_GRID, 3.0)
    slide.rect(78 + 3 * 22, 100 + 36, 78 + 3 * 22 + 18, 100 + 36 + 30, TIP_RED, 3.0)
    for i, colour in enumerate((TIP_BLUE, TIP_GREEN, TIP_ORANGE, TIP_VIOLET)):
        top = 100 + i * 36
        slide.rect(248, top, 460, top + 28, TIP_ROW, 4.0)
        slide.rect(248, top, 254, top + 28, colour)
        slide.rect(264, top + 10, 264 + 150 - i * 24, top + 18, TIP_INK, 4.0)
    return slide


def slide_day():
    """The day grid on the right half, the text on the left."""
    slide = Slide(540, 650, (0x1F, 0x6E, 0x7A), (0x0E, 0x38, 0x45))
    slide_card(slide, 290, 60, 500, 540)
    for hour in range(11):
        y = 120 + hour * 40
        slide.line(330, y, 490, y, TIP_GRID, 1.0)
        slide.rect(300, y - 2, 320, y + 2, TIP_INK, 2.0)
    slide.rect(334, 124, 470, 196, (0xD3, 0xE6, 0xD6, 255), 4.0)
    slide.rect(334, 124, 338, 196, TIP_GREEN)
    slide.rect(334, 284, 486, 396, (0xF6, 0xDE, 0xC4, 255), 4.0)
    slide.rect(334, 284, 338, 396, TIP_ORANGE)
    slide.rect(380, 444, 480, 476, TIP_BLUE, 4.0)
    slide.arrow(250, 330, 326, 300)
    return slide


def slide_tasks():
    """Task rows with their boxes, a star and a linked note."""
    slide = Slide(540, 650, (0x5B, 0x3C, 0x8C), (0x2A, 0x17, 0x4A))
    slide_card(slide, 60, 50, 480, 360)
    for i in range(6):
        top = 100 + i * 40
        slide.rect(80, top, 460, top + 30, TIP_ROW, 4.0)
        slide.frame(90, top + 8, 104, top + 22, TIP_INK, 3.0, 1.5)
        if i in (1, 4):
            slide.line(93, top + 15, 97, top + 19, TIP_GREEN, 2.5)
            slide.line(97, top + 19, 103, top + 10, TIP_GREEN, 2.5)
        slide.rect(116, top + 11, 116 + 220 - i * 18, top + 19, TIP_INK, 4.0)
        if i == 2:
            slide.polygon(star_points(440, top + 15, 9, 4), TIP_POINTER)
    return slide


def slide_sync():
    """Two computers and the cloud between them."""
    slide = Slide(540, 650, (0x1E, 0x5A, 0x9C), (0x0C, 0x2C, 0x5A))
    cloud = (0xF4, 0xF7, 0xFC, 255)
    for cx, cy, radius in ((230, 150, 46), (290, 130, 58), (345, 160, 40)):
        slide.circle(cx, cy, radius, cloud)
    slide.rect(200, 150, 370, 200, cloud, 24.0)
    for left in (70, 360):
        slide.rect(left, 250, left + 110, 320, SCREEN_GLASS, 6.0)
        slide.frame(left, 250, left + 110, 320, cloud, 6.0, 4.0)
        slide.rect(left + 40, 320, left + 70, 336, cloud)
        slide.rect(left + 20, 336, left + 90, 344, cloud, 3.0)
    slide.arrow(150, 240, 205, 200, cloud)
    slide.arrow(380, 205, 425, 240, cloud)
    return slide


def slide_account():
    """The account page: light, with the cloud above the service's name."""
    slide = Slide(540, 650, (0xFA, 0xFB, 0xFD), (0xDD, 0xE3, 0xEE))
    for cx, cy, radius in ((248, 84, 22), (272, 74, 28), (298, 88, 20)):
        slide.circle(cx, cy, radius, CLOUD_BLUE)
    slide.rect(232, 84, 310, 108, CLOUD_BLUE, 12.0)
    slide.rect(110, 230, 430, 395, (0xFF, 0xFF, 0xFF, 200), 10.0)
    slide.frame(110, 230, 430, 395, (0xC9, 0xCD, 0xD6, 255), 10.0, 1.0)
    slide.rect(0, 555, 540, 650, (0x3E, 0x4A, 0x61, 255))
    return slide


def wizard_dot(selected):
    def shape(x, y):
        d = math.hypot(x - 5, y - 5) - 4.5
        if d > 0.5:
            return None
        if selected:
            return with_coverage((0xFF, 0xFF, 0xFF, 255), coverage_of(d, 0.25))
        return with_coverage((0xA0, 0xA6, 0xB2, 200), coverage_of(d, 0.25))
    return shape


class WizardButton:
    """A rounded button face, lighter at the top; the title is drawn over it."""

    def __init__(self, pressed):
        self.top = (0x4F, 0x80, 0xD8) if not pressed else (0x2A, 0x4F, 0x9C)
        self.bottom = (0x2E, 0x5C, 0xB5) if not pressed else (0x1C, 0x3A, 0x7C)

    def pixel(self, x, y, pixel):
        cx, cy = x + pixel / 2, y + pixel / 2
        cover = coverage_of(rounded_rect_distance(cx, cy, 0, 0, 143, 35, 8.0), pixel)
        if cover <= 0:
            return None
        t = cy / 35
        face = tuple(self.top[i] + (self.bottom[i] - self.top[i]) * t for i in range(3)) + (255,)
        edge = coverage_of(-rounded_rect_distance(cx, cy, 0, 0, 143, 35, 8.0) - 1.0, pixel)
        face = over(with_coverage((0x14, 0x2A, 0x5C, 255), edge), face)
        return with_coverage(face, cover)


IMAGES = {
    "zvm_icon": (calendar_page, 20),
    "splashscreen": (Splash(), (Splash.WIDTH, Splash.HEIGHT)),
    "event_lines": (horizontal_lines((1.0, 3.0, 5.0), (6.0, 6.0, 6.0), MARK), 9),
    "ptask_lines": (planned_task, 9),
    "task_lines": (box_outline, 9),
    "task_done_lines": (ticked_box, 9),
    "note_lines": (horizontal_lines((1.0, 3.0, 5.0), (6.0, 6.0, 4.0), SOFT_MARK), 9),
    "note_lines_highlighted": (horizontal_lines((1.0, 3.0, 5.0), (6.0, 6.0, 4.0), MARK), 9),
    "markdone": (done_tick, 15),
    "tab_normal": (tab_pattern, 4),
    "transparent_pattern": (see_through_pattern, 8),
    "ptask": (planned_task_mark, 11),
    # The main window.
    "bg": (panel(PANEL, PANEL_BAND, 310.0, "right"), (310, 200)),
    "bg_center": (panel(PANEL, PANEL_BAND, 100.0, None), (100, 200)),
    "bg_right_top": (panel(LIST_PANEL, LIST_BAND, 310.0, "left"), (310, 50)),
    "bg_right": (panel(LIST_PANEL, LIST_PANEL, 310.0, "left"), (310, 200)),
    "shadow_bg": (box_shadow(300.0), 300),
    "shadow_bottom_bg": (Flat(bottom_shadow), (300, 10)),
    "showpane": (pane_button(False), 20),
    "hidepane": (pane_button(True), 20),
    "pin_off": (pin(False), 20),
    "pin_on": (pin(True), 20),
    "syncing": (syncing, 20),
    "settingMenu": (gear, 20),
    "addnew_textfield": (add_new, 20),
    "showhide_normal": (eye, 20),
    "showhide_selected": (eye_in(ACCENT), 20),
    "tag_normal": (price_tag, 20),
    "tag_selected": (price_tag_in(ACCENT), 20),
    "conversation": (speech_bubble, (40, 20)),
    "day": (calendar_view(day_body), 16),
    "week": (Mark(week), 16),
    "month": (calendar_view(month_body), 16),
    "tab_task_normal": (task_icon(TAB_ICON_NORMAL), 16),
    "tab_task_highlight": (task_icon(TAB_ICON_SELECTED), 16),
    "tab_note_normal": (note_icon(TAB_ICON_NORMAL), 16),
    "tab_note_highlight": (note_icon(TAB_ICON_SELECTED), 16),
    "tab_project_normal": (project_icon(TAB_ICON_NORMAL), 16),
    "tab_project_highlight": (project_icon(TAB_ICON_SELECTED), 16),
    "tab_asset_normal": (asset_icon(TAB_ICON_NORMAL), 16),
    "tab_conversation_normal": (conversation_icon(TAB_ICON_NORMAL), 16),
    "guru_icon": (guru_mark, 20),
    "month_prev": (month_step(False), 18),
    "month_next": (month_step(True), 18),
    "timezone": (globe, 20),
    # The task pane.
    "filter_all": (filter_all, 16),
    "filter_gtdo": (filter_top, 16),
    "filter_star": (star_shape(FILTER_INK, FILTER_INK, 16), 16),
    "filter_due": (filter_due, 16),
    "filter_day": (filter_day, 16),
    "filter_week": (filter_week, 16),
    "filter_long": (filter_length(True), 16),
    "filter_short": (filter_length(False), 16),
    "star": (star_shape(STAR_GOLD, STAR_EDGE, 14), 14),
    "star_none": (star_shape(None, OFF_STAR, 14), 14),
    "task_accept": (accept_tick, 12),
    "task_reject": (reject_cross, 12),
    "default_color_flag": (default_flag, (12, 14)),
    # The note editor.
    "Note_CheckOff": (note_checkbox(False), 16),
    "Note_CheckOn": (note_checkbox(True), 16),
    "mode_text": (mode_text, 20),
    "mode_check": (mode_check, 20),
    # The preferences toolbar.
    "settings_general": (recoloured(gear, 1.6, PREFERENCE_INK), 32),
    "settings_task": (task_box, 32),
    "settings_sync": (recoloured(syncing, 1.6, PREFERENCE_ACCENT), 32),
    "settings_backup": (backup_drive, 32),
    # The tips: the pictures (their sizes, like their number, are the
    # pictures' own) and the arrows that turn their pages.
    "guru_minimonth1": (tip_mini_month(), (260, 200)),
    "guru_daycal1": (tip_day_calendar(1), (300, 220)),
    "guru_daycal2": (tip_day_calendar(2), (300, 250)),
    "guru_tasks1": (tip_task_list(), (280, 210)),
    "guru_projects1": (tip_projects(), (280, 210)),
    "guru_tags1": (tip_tags(), (260, 190)),
    "guru_notes1": (tip_notes(), (280, 210)),
    "prevpage": (page_arrow(True), 45),
    "nextpage": (page_arrow(False), 45),
    # The web account.
    "IconZVM_32": (enlarged(calendar_page, 1.6), 32),
    "iCal_logo": (ical_page, 32),
    "myZoravel_logo": (cloud_logo, 32),
    "ZVtomZV_btn": (transfer_button(True), (120, 50)),
    "mZVtoZV_btn": (transfer_button(False), (120, 50)),
    "ZVtomZV": (transfer(True, 64, 64), 64),
    "mZVtoZV": (transfer(False, 64, 64), 64),
    # The start-up wizard.
    "mac_slider_0": (slide_welcome(), (540, 650)),
    "mac_slider_1": (slide_day(), (540, 650)),
    "mac_slider_2": (slide_tasks(), (540, 650)),
    "mac_slider_3": (slide_sync(), (540, 650)),
    "mac_slider_4": (slide_account(), (540, 650)),
    "dot_normal": (wizard_dot(False), 10),
    "dot_selected": (wizard_dot(True), 10),
    "slider_btn": (WizardButton(False), (143, 35)),
    "slider_btn_pressed": (WizardButton(True), (143, 35)),
}


def main():
    """Draws every image, or only those named on the command line."""
    import sys
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "Resources", "Images")
    os.makedirs(folder, exist_ok=True)
    wanted = sys.argv[1:] or list(IMAGES)
    for name, (shape, points) in IMAGES.items():
        if name not in wanted:
            continue
        for scale, suffix in ((1, ""), (2, "@2x")):
            path = os.path.join(folder, name + suffix + ".png")
            with open(path, "wb") as out:
                out.write(png(*render(shape, points, scale)))
            print(os.path.normpath(path))


if __name__ == "__main__":
    main()
