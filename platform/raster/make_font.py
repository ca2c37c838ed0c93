#!/usr/bin/env python3
"""Turns Debian's bitmap fonts into the shared font's data: platform/raster/font_data.cpp
(Latin-1, compiled into every build) and platform/raster/glyphs/PP.bin (the rest of the
Basic Multilingual Plane, one file per 256 code points U+PP00..U+PPFF).

Usage, from the repository root (needs xfonts-base, unifont and pcf2bdf installed):
    python3 platform/raster/make_font.py

Every glyph is fitted to the same grid: a narrow cell of 7 x 14 pixels or a wide one of
14 x 14, with the baseline 12 rows below the top. The sources, first one first:
  - misc-fixed 7x14 (xfonts-base 7x14.pcf.gz, ISO 10646): the grid's own font, so its
    glyphs go in unchanged; Latin-1 comes from it alone;
  - misc-fixed 14-dot kanji k14 (xfonts-base k14.pcf.gz, JIS X 0208): the same family's
    wide font, unchanged, for the wide characters it has (Han, kana, full-width forms);
  - GNU Unifont (unifont's unifont.hex, 8 x 16 and 16 x 16 cells, baseline 14 rows down):
    the rest, each glyph moved up two rows so the baselines meet, and cut to the cell
    (see fit_lines).
Each page file is 256 bytes of kinds (KIND_* below), one per code point of the page, then
the rows of each glyph in code point order: 14 bytes for a narrow glyph (the leftmost
pixel is bit 6), 28 for a wide one (14 big-endian 16-bit rows, the leftmost pixel bit 13).
"""

import os
import subprocess
import sys
import unicodedata

# The code points the text routine maps to glyphs; keep in step with glyph_index().
RANGES = [(32, 126), (160, 255)]

MISC = "/usr/share/fonts/X11/misc"
FIXED = f"{MISC}/7x14.pcf.gz"
KANJI = f"{MISC}/k14.pcf.gz"
UNIFONT = "/usr/share/unifont/unifont.hex"
UNIFONT_MARKS = "/usr/share/unifont/plane00-combining.txt"

# The grid every glyph is fitted to (font.h says the same).
NARROW, WIDE, HEIGHT, ASCENT = 7, 14, 14, 12

# What a code point is, as the page files store it; keep in step with GlyphKind in glyphs.h.
KIND_MISSING = 0    # the replacement glyph is drawn
KIND_NARROW = 1     # one cell
KIND_WIDE = 2       # two cells
KIND_MARK = 3       # a narrow mark: drawn over the glyph before it, takes no room
KIND_WIDE_MARK = 4  # a wide mark, the same
KIND_INVISIBLE = 5  # takes no room and draws nothing (format characters)


class FontError(Exception):
    pass


def read_bdf_text(path):
    if path.endswith(".bdf"):
        with open(path, encoding="latin-1") as f:
            return f.read()
    # pcf2bdf reads .pcf and .pcf.gz and writes the BDF to standard output.
    try:
        done = subprocess.run(["pcf2bdf", path], capture_output=True, check=True)
    except FileNotFoundError:
        raise FontError("pcf2bdf is not installed (apt-get install pcf2bdf)")
    except subprocess.CalledProcessError as e:
        raise FontError(f"pcf2bdf failed on {path}: {e.stderr.decode(errors='replace')}")
    return done.stdout.decode("latin-1")


def parse_bdf(text):
    """Returns (properties, glyphs); glyphs maps encoding -> dict of the glyph's fields."""
    props = {}
    glyphs = {}
    lines = iter(text.splitlines())
    for line in lines:
        words = line.split()
        if not words:
            continue
        key = words[0]
        if key == "STARTCHAR":
            glyph = {"name": " ".join(words[1:])}
            for line in lines:
                words = line.split()
                if not words:
                    continue
                if words[0] == "BITMAP":
                    rows = []
                    for line in lines:
                        if line.strip() == "ENDCHAR":
                            break
                        rows.append(int(line.strip(), 16))
                    glyph["bitmap"] = rows
                    break
                glyph[words[0]] = [int(w) for w in words[1:]]
            code = glyph["ENCODING"][0]
            if code >= 0:  # -1 marks a glyph without an encoding
                glyphs[code] = glyph
        elif key in ("FONT", "COPYRIGHT"):
            props[key] = line[len(key):].strip().strip('"')
        elif key in ("FONTBOUNDINGBOX", "FONT_ASCENT", "FONT_DESCENT", "DEFAULT_CHAR"):
            props[key] = [int(w) for w in words[1:]]
    return props, glyphs


def cell_rows(glyph, width, height, ascent):
    """The glyph's pixels placed in a width x height cell whose baseline is at ascent."""
    bbw, bbh, bbx, bby = glyph["BBX"]
    bitmap = glyph["bitmap"]
    if len(bitmap) != bbh:
        raise FontError(f"glyph {glyph['name']}: {len(bitmap)} rows, BBX says {bbh}")
    row_bits = (bbw + 7) // 8 * 8  # BDF pads each row to whole bytes
    rows = [0] * height
    top = ascent - (bby + bbh)  # cell row of the bitmap's first row
    for r, value in enumerate(bitmap):
        for c in range(bbw):
            if not (value >> (row_bits - 1 - c)) & 1:
                continue
            x, y = bbx + c, top + r
            if not (0 <= x < width and 0 <= y < height):
                raise FontError(f"glyph {glyph['name']}: pixel ({x}, {y}) outside the cell")
            rows[y] |= 1 << (width - 1 - x)
    return rows


def generate(source):
    props, glyphs = parse_bdf(read_bdf_text(source))
    for key in ("FONT", "FONTBOUNDINGBOX", "FONT_ASCENT", "FONT_DESCENT"):
        if key not in props:
            raise FontError(f"the font has no {key}")
    ascent = props["FONT_ASCENT"][0]
    height = ascent + props["FONT_DESCENT"][0]
    width = props["FONTBOUNDINGBOX"][0]
    if width > 32:
        raise FontError(f"cells {width} pixels wide do not fit a 32-bit row")
    for code, g in glyphs.items():
        if g["DWIDTH"][0] != width:
            raise FontError(f"not fixed pitch: glyph {code} advances {g['DWIDTH'][0]}, cell is {width}")

    default = props.get("DEFAULT_CHAR", [None])[0]
    if default is None or default not in glyphs:
        raise FontError("the font has no default character for the replacement glyph")
    wanted = [default] + [c for lo, hi in RANGES for c in range(lo, hi + 1)]
    missing = [c for c in wanted if c not in glyphs]
    if missing:
        raise FontError(f"the font lacks code points {missing}")

    row_type = "std::uint8_t" if width <= 8 else "std::uint16_t" if width <= 16 else "std::uint32_t"
    digits = (width + 3) // 4
    copyright_note = props.get("COPYRIGHT", "")
    out = []
    out.append("// Generated by platform/raster/make_font.py; do not edit.")
    out.append(f"// Font: {props['FONT']}")
    out.append(f"//   from {os.path.basename(source)}")
    out.append(f"// The font is in the public domain (its notice: \"{copyright_note}\").")
    out.append("// Regenerate from the repository root (needs xfonts-base, unifont and pcf2bdf):")
    out.append("//   python3 platform/raster/make_font.py")
    out.append('#include "font_data.h"')
    out.append("")
    out.append("namespace kx508::platform::font_data {")
    out.append("")
    out.append(f"static_assert(kFontCellWidth == {width} && kFontCellHeight == {height} && kFontAscent == {ascent},")
    out.append('              "font.h does not describe the generated font");')
    out.append(f"static_assert(sizeof(GlyphRow) == sizeof({row_type}));")
    out.append(f"static_assert(kGlyphCount == {len(wanted)});")
    out.append("")
    out.append("const GlyphRow kGlyphs[kGlyphCount][kFontCellHeight] = {")
    for i, code in enumerate(wanted):
        rows = cell_rows(glyphs[code], width, height, ascent)
        cells = ", ".join(f"0x{r:0{digits}X}" for r in rows)
        label = "replacement (the default character)" if i == 0 else f"U+{code:04X}"
        out.append(f"    {{{cells}}},  // {label}")
    out.append("};")
    out.append("")
    out.append("}  // namespace kx508::platform::font_data")
    return "\n".join(out) + "\n"


def jis_to_unicode(code):
    """The Unicode character of a JIS X 0208 code (row and cell in one 16-bit number)."""
    try:
        text = bytes([(code >> 8) | 0x80, (code & 0xFF) | 0x80]).decode("euc_jp")
    except UnicodeDecodeError:
        return None
    return ord(text) if len(text) == 1 else None


def read_fixed_font(path, width, code_of=lambda code: code):
    """The glyphs of a fixed-pitch font on the grid: {code point: rows}."""
    props, glyphs = parse_bdf(read_bdf_text(path))
    if props["FONT_ASCENT"][0] != ASCENT or props["FONT_ASCENT"][0] + props["FONT_DESCENT"][0] != HEIGHT:
        raise FontError(f"{path}: not a {HEIGHT}-row font with its baseline at {ASCENT}")
    out = {}
    for code, g in glyphs.items():
        if g["DWIDTH"][0] != width:
            raise FontError(f"{path}: glyph {code} advances {g['DWIDTH'][0]}, not {width}")
        c = code_of(code)
        if c is not None:
            out[c] = cell_rows(g, width, HEIGHT, ASCENT)
    return props, out


def read_unifont(path):
    """{code point: (width, rows)} of the .hex file's Basic Multilingual Plane."""
    out = {}
    with open(path, encoding="ascii") as f:
        for line in f:
            code, bits = line.strip().split(":")
            width = len(bits) // 4
            if width not in (8, 16) or len(bits) != width * 4:
                raise FontError(f"{path}: bad line for {code}")
            digits = width // 4
            out[int(code, 16)] = (width, [int(bits[i:i + digits], 16) for i in range(0, len(bits), digits)])
    return out


def fit_lines(lines, size, keep_from):
    """`size` of the lines (rows or columns, each an int of bits) that hold the ink: the
    window starting at keep_from when the ink is inside it, else the nearest window that
    holds the ink, else (ink larger than the cell) the ink with its most alike neighbouring
    lines merged until it fits."""
    ink = [i for i, line in enumerate(lines) if line]
    if not ink:
        return [0] * size
    first, last = ink[0], ink[-1]
    if last - first < size:
        start = keep_from
        if first < start:
            start = first
        elif last >= start + size:
            start = last - size + 1
        start = max(0, min(start, len(lines) - size))
        return lines[start:start + size]
    kept = lines[first:last + 1]
    while len(kept) > size:
        middle = len(kept) // 2
        i = min(range(len(kept) - 1),
                key=lambda i: (bin(kept[i] ^ kept[i + 1]).count("1"), abs(i - middle), i))
        kept[i:i + 2] = [kept[i] | kept[i + 1]]
    return kept


def transpose(lines, length):
    """Rows of `length` bits <-> columns of len(lines) bits, leftmost/topmost the high bit."""
    n = len(lines)
    return [sum(((line >> (length - 1 - x)) & 1) << (n - 1 - y) for y, line in enumerate(lines))
            for x in range(length)]


def fit_unifont(width, rows):
    """A Unifont glyph on the grid: its 16 rows moved up two (baseline 14 -> 12), then 8 or
    16 columns cut to 7 or 14, the first column dropped when it is empty."""
    cell = NARROW if width == 8 else WIDE
    rows = fit_lines(list(rows), HEIGHT, keep_from=2)
    columns = fit_lines(transpose(rows, width), cell, keep_from=1)
    return transpose(columns, HEIGHT)


def read_unifont_marks(path):
    """The code points Unifont draws over the glyph before them."""
    with open(path, encoding="ascii") as f:
        return {int(line.split(":")[0], 16) for line in f if line.strip()}


def page_glyphs(fixed, kanji, unifont, unifont_marks):
    """{code point: (kind, rows)} for U+0100..U+FFFF, and how many came from each font."""
    out = {}
    counts = {"7x14": 0, "k14": 0, "unifont": 0}
    for c in range(0x100, 0x10000):
        category = unicodedata.category(chr(c))
        if category in ("Cs", "Co", "Cn", "Cc"):
            continue
        if category == "Cf":
            out[c] = (KIND_INVISIBLE, [])
            continue
        mark = category in ("Mn", "Me")
        if c in fixed:
            rows, wide = fixed[c], False
            counts["7x14"] += 1
        elif c in kanji:
            rows, wide = kanji[c], True
            counts["k14"] += 1
        elif c in unifont:
            width, rows = unifont[c]
            rows, wide = fit_unifont(width, rows), width == 16
            mark = mark or c in unifont_marks
            counts["unifont"] += 1
        else:
            continue
        if mark:
            kind = KIND_WIDE_MARK if wide else KIND_MARK
        else:
            kind = KIND_WIDE if wide else KIND_NARROW
        out[c] = (kind, rows)
    return out, counts


def page_bytes(glyphs, page):
    kinds = bytearray(256)
    rows_out = bytearray()
    for low in range(256):
        c = page << 8 | low
        if c not in glyphs:
            continue
        kind, rows = glyphs[c]
        kinds[low] = kind
        if kind in (KIND_NARROW, KIND_MARK):
            rows_out += bytes(rows)
        elif kind in (KIND_WIDE, KIND_WIDE_MARK):
            rows_out += b"".join(r.to_bytes(2, "big") for r in rows)
    return bytes(kinds) + bytes(rows_out) if any(kinds) else None


def write_pages(root):
    fixed_props, fixed = read_fixed_font(FIXED, NARROW)
    kanji_props, kanji = read_fixed_font(KANJI, WIDE, jis_to_unicode)
    # Only the kanji font's wide characters: its Greek, Cyrillic and symbols of ambiguous
    # width stay narrow, from the 7x14 font.
    kanji = {c: rows for c, rows in kanji.items()
             if unicodedata.east_asian_width(chr(c)) in ("W", "F")}
    unifont = {c: g for c, g in read_unifont(UNIFONT).items() if c < 0x10000}
    glyphs, counts = page_glyphs(fixed, kanji, unifont, read_unifont_marks(UNIFONT_MARKS))
    folder = os.path.join(root, "platform/raster/glyphs")
    os.makedirs(folder, exist_ok=True)
    for name in os.listdir(folder):
        if name.endswith(".bin"):
            os.remove(os.path.join(folder, name))
    pages = 0
    for page in range(1, 256):
        data = page_bytes(glyphs, page)
        if data is None:
            continue
        with open(os.path.join(folder, f"{page:02x}.bin"), "wb") as f:
            f.write(data)
        pages += 1
    with open(os.path.join(folder, "FONTS"), "w", encoding="utf-8") as f:
        f.write(f"""Generated by platform/raster/make_font.py; do not edit.
The glyphs of U+0100..U+FFFF, {pages} pages, Unicode {unicodedata.unidata_version}'s character classes.

{counts['7x14']} glyphs: {fixed_props['FONT']}
  (xfonts-base, 7x14.pcf.gz). Public domain: "{fixed_props.get('COPYRIGHT', '')}"
{counts['k14']} glyphs: {kanji_props['FONT']}
  (xfonts-base, k14.pcf.gz). Public domain: "{kanji_props.get('COPYRIGHT', '')}"
{counts['unifont']} glyphs: GNU Unifont (unifont, unifont.hex), moved up two rows and cut to
  the 7 x 14 and 14 x 14 cells. Copyright (C) 1998-2022 Roman Czyborra, Paul Hardy,
  Qianqian Fang, Andrew Miller, Johnnie Weaver, David Corbett, Nils Moskopp, Rebecca
  Bettencourt, et al. Dual-licensed under the SIL Open Font License 1.1 and the GNU GPL 2
  or later with the GNU font embedding exception; used here under the SIL Open Font
  License 1.1 (OFL-1.1.txt in this folder).
""")
    return pages, counts


def main(argv):
    if len(argv) != 1:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    try:
        text = generate(FIXED)
        pages, counts = write_pages(root)
    except (FontError, OSError) as e:
        print(f"make_font.py: {e}", file=sys.stderr)
        return 1
    with open(os.path.join(root, "platform/raster/font_data.cpp"), "w", encoding="ascii") as f:
        f.write(text)
    print(f"make_font.py: Latin-1 and {pages} pages: {counts}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
