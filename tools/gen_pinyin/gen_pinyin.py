#!/usr/bin/env python3
"""Writes app/records/hzYpyData.cpp: the pinyin readings of the GB2312 characters.

For each two-byte GB2312 code of levels 1 and 2 (lead byte 0xB0-0xF7, trail
byte 0xA1-0xFE) the character's readings come from the Unicode Han database
(Debian package unicode-data):
  - the main reading is the first kMandarin value (or the override below);
  - the further readings are the other distinct toneless readings of the
    first field present among kTGHZ2013, kXHC1983 and kHanyuPinyin, in the
    order they appear there.
Readings are kept toneless and in lower case, ü written as v.

Rerun from the repository root:
    python3 tools/gen_pinyin/gen_pinyin.py [--unihan FILE] [--output FILE]
    python3 tools/gen_pinyin/gen_pinyin.py --initials   # code, character, initials per line
"""
import argparse
import bz2
import os
import sys
import unicodedata

REPO = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
DEFAULT_UNIHAN = "/usr/share/unicode/Unihan_Readings.txt.bz2"
DEFAULT_OUTPUT = os.path.join(REPO, "app", "records", "hzYpyData.cpp")

LEADS = range(0xB0, 0xF8)
TRAILS = range(0xA1, 0xFF)
SYLLABLE_WIDTH = 6

# Characters whose usual main reading kMandarin does not give first. Their
# other readings stay further readings.
MAIN_READING_OVERRIDES = {
    "长": "chang",  # kMandarin gives zhǎng (长大); cháng (长短) is the usual reading
    "地": "di",     # kMandarin gives the particle de first
    "似": "si",     # kMandarin gives shì (似的); sì (相似) is the usual reading
    "卜": "bu",     # kMandarin gives bo (萝卜) first; bǔ (占卜, the surname) is usual
    "杓": "shao",   # kMandarin gives biāo first; sháo (a ladle) is usual
}

# Initials the search relies on; the generator refuses to write a table
# that does not give them.
TELLING_INITIALS = {
    "张": "z", "三": "s", "李": "l", "重": "zc", "长": "cz", "行": "xhh", "乐": "ly", "薄": "bb",
    "庆": "q",
}

FURTHER_FIELDS = ("kTGHZ2013", "kXHC1983", "kHanyuPinyin")
FIELDS = ("kMandarin",) + FURTHER_FIELDS


def toneless(reading):
    """yuè -> yue, lǜ -> lv, ǹg -> ng."""
    decomposed = unicodedata.normalize("NFD", reading.strip().lower())
    decomposed = decomposed.replace("u\u0308", "v")
    plain = "".join(ch for ch in decomposed if not unicodedata.combining(ch))
    if not plain.isascii() or not plain.isalpha() or len(plain) > SYLLABLE_WIDTH:
        raise ValueError(f"reading {reading!r} gives {plain!r}, not a syllable of at most "
                         f"{SYLLABLE_WIDTH} letters")
    return plain


def field_readings(value):
    """Readings of a kTGHZ2013/kXHC1983/kHanyuPinyin value, in order:
    '047.150:chóng 481.090:zhòng' -> ['chóng', 'zhòng']."""
    readings = []
    for entry in value.split():
        _, sep, tail = entry.rpartition(":")
        if not sep:
            raise ValueError(f"entry {entry!r} has no readings")
        readings.extend(r for r in tail.split(",") if r)
    return readings


def read_unihan(path):
    fields = {}
    with bz2.open(path, "rt", encoding="utf-8") as f:
        version = None
        for line in f:
            if line.startswith("#"):
                if line.startswith("# Unicode version:"):
                    version = line.split(":", 1)[1].strip()
                continue
            parts = line.rstrip("\n").split("\t", 2)
            if len(parts) != 3 or parts[1] not in FIELDS:
                continue
            fields.setdefault(int(parts[0][2:], 16), {})[parts[1]] = parts[2]
    return fields, version


def gb2312_char(lead, trail):
    try:
        return bytes([lead, trail]).decode("gb2312")
    except UnicodeDecodeError:
        return None  # an unassigned code


def readings_of(ch, fields):
    """Main reading and further readings (toneless) of a character."""
    entry = fields.get(ord(ch), {})
    if "kMandarin" not in entry:
        return None, []
    main = MAIN_READING_OVERRIDES.get(ch) or toneless(entry["kMandarin"].split()[0])
    further = []
    for name in FURTHER_FIELDS:
        if name in entry:
            for reading in field_readings(entry[name]):
                syllable = toneless(reading)
                if syllable != main and syllable not in further:
                    further.append(syllable)
            break
    if ch in MAIN_READING_OVERRIDES:
        # The reading kMandarin puts first stays one of the character's readings.
        for reading in entry["kMandarin"].split():
            syllable = toneless(reading)
            if syllable != main and syllable not in further:
                further.append(syllable)
    return main, further


def build(fields):
    """One (code text, character, main, further) per GB2312 position."""
    chars = []
    for lead in LEADS:
        for trail in TRAILS:
            ch = gb2312_char(lead, trail)
            main, further = readings_of(ch, fields) if ch else (None, [])
            chars.append((f"{lead:02X}{trail:02X}", ch, main, further))
    return chars


def initials(main, further):
    return (main[0] if main else " ") + "".join(s[0] for s in further)


def check(chars, errors):
    by_char = {ch: (main, further) for _, ch, main, further in chars if ch}
    for ch, expected in TELLING_INITIALS.items():
        found = initials(*by_char[ch]) if ch in by_char else None
        if found != expected:
            errors.append(f"{ch} gives initials {found!r}, expected {expected!r}")
    for ch in MAIN_READING_OVERRIDES:
        if ch not in by_char:
            errors.append(f"override {ch} is not a GB2312 character of levels 1 and 2")
    without = [code for code, ch, main, _ in chars if ch and main is None]
    if without:
        errors.append(f"{len(without)} characters without kMandarin: {' '.join(without[:20])}")


def c_chars(syllable):
    return "{" + ", ".join(f"'{c}'" for c in syllable.ljust(SYLLABLE_WIDTH)) + "}"


def render(chars, version):
    syllables = sorted({s for _, _, main, further in chars if main for s in [main] + further})
    index = {s: i + 1 for i, s in enumerate(syllables)}  # entry 0: no reading
    alt_rows = []   # (syllable index, code, comment)
    entries = []    # (main index, first alt, comment)
    for code, ch, main, further in chars:
        lead, trail = int(code[:2], 16), int(code[2:], 16)
        first_alt = len(alt_rows) + 1 if further else 0
        for s in further:
            alt_rows.append((index[s], lead + 256 * trail, f"{code} {ch} {s}"))
        if ch:
            comment = f"{code} {ch} {' '.join([main] + further)}"
        else:
            comment = f"{code} unassigned"
        entries.append((index[main] if main else 0, first_alt, comment))

    out = []
    out.append("// Generated by tools/gen_pinyin/gen_pinyin.py from Unihan_Readings.txt"
               f" (Unicode {version}); do not edit.")
    out.append("// Pinyin readings of the GB2312 characters with lead bytes 0xB0-0xF7.")
    out.append("")
    out.append('#include "hzYpy.h"')
    out.append("")
    out.append("namespace hzYpy {")
    out.append("")
    out.append(f"const int SyllableCount = {len(syllables) + 1};")
    out.append(f"const int AltReadingCount = {len(alt_rows)};")
    out.append("")
    out.append("// Toneless syllables in alphabetical order; entry 0 is no reading.")
    out.append(f"const SyllableEntry SyllableTable[{len(syllables) + 1}] = {{")
    out.append(f"    {{{SYLLABLE_WIDTH}, {c_chars('')}}},  // 0")
    for s in syllables:
        out.append(f"    {{{SYLLABLE_WIDTH}, {c_chars(s)}}},  // {index[s]} {s}")
    out.append("};")
    out.append("")
    out.append("// Further readings, numbered from 1 (entry 0 is not used): syllable, code of")
    out.append("// the character (lead byte + 256 * trail byte). A character's entries follow")
    out.append("// each other.")
    out.append(f"const AltReadingEntry AltReadingTable[{len(alt_rows) + 1}] = {{")
    out.append("    {0, 0},  // 0")
    for number, (syllable, code, comment) in enumerate(alt_rows, start=1):
        out.append(f"    {{{syllable}, 0x{code:04X}}},  // {number} {comment}")
    out.append("};")
    out.append("")
    out.append("// Per GB2312 code, at (lead - 0xB0) * 94 + (trail - 0xA1): main reading,")
    out.append("// first further reading (0 = none).")
    out.append("const CharEntry CharTable[CharCount] = {")
    for main, first_alt, comment in entries:
        out.append(f"    {{{main}, {first_alt}}},  // {comment}")
    out.append("};")
    out.append("")
    out.append("}  // namespace hzYpy")
    return "\n".join(out) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--unihan", default=DEFAULT_UNIHAN, help="Unihan_Readings.txt.bz2")
    parser.add_argument("--output", default=DEFAULT_OUTPUT, help="the C++ source to write")
    parser.add_argument("--initials", action="store_true",
                        help="print code, character and initials of every assigned code instead")
    args = parser.parse_args()

    try:
        fields, version = read_unihan(args.unihan)
        chars = build(fields)
    except (OSError, ValueError, EOFError) as e:
        sys.exit(f"gen_pinyin: {args.unihan}: {e}")
    errors = []
    check(chars, errors)
    if errors:
        for e in errors:
            print(f"gen_pinyin: {e}", file=sys.stderr)
        sys.exit(f"gen_pinyin: {len(errors)} problem(s), nothing written")

    if args.initials:
        for code, ch, main, further in chars:
            if ch:
                print(f"{code}\t{ch}\t{initials(main, further)}")
        return

    with open(args.output, "w", encoding="utf-8", newline="\n") as f:
        f.write(render(chars, version))
    alts = sum(len(further) for _, _, _, further in chars)
    print(f"gen_pinyin: {len(chars)} codes, {alts} further readings written to {args.output}")


if __name__ == "__main__":
    main()
