#!/usr/bin/env python3
"""Writes app/records/JingWeiData.cpp: the place table of the details page.

Reads the place list (UTF-8, tab-separated: City Province Zip AreaCode
Longitude Latitude) and checks that it has the 2320 rows grouped by province
in the combo-box order (台湾 between 四川 and 天津) with the fixed count of
each province, the field sizes in GBK bytes, the fixed rows and city lists,
and that the postal-code look-ups the details page relies on give the right
places. Any failure is reported and nothing is written.

Rerun from the repository root:
    python3 tools/gen_places/gen_places.py [--input PLACES.tsv] [--output FILE]
The input defaults to ../shared/data/places.tsv beside the repository.
"""
import argparse
import os
import sys

REPO = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
DEFAULT_INPUT = os.path.normpath(os.path.join(REPO, "..", "shared", "data", "places.tsv"))
DEFAULT_OUTPUT = os.path.join(REPO, "app", "records", "JingWeiData.cpp")

HEADER = ["City", "Province", "Zip", "AreaCode", "Longitude", "Latitude"]

# The province combo box, in its order.
PROVINCES = ("安徽 北京 福建 甘肃 广东 广西 贵州 海南 河北 河南 黑龙江 湖北 湖南 吉林 江苏 江西 "
             "辽宁 内蒙古 宁夏 青海 山东 山西 陕西 上海 四川 天津 西藏 新疆 云南 浙江 重庆 台湾").split()

# The table's own order: as above, but 台湾 stands between 四川 and 天津.
TABLE_ORDER = [p for p in PROVINCES if p != "台湾"]
TABLE_ORDER.insert(TABLE_ORDER.index("四川") + 1, "台湾")

COUNTS = {
    "安徽": 78, "北京": 9, "福建": 68, "甘肃": 82, "广东": 98, "广西": 88, "贵州": 80, "海南": 20,
    "河北": 145, "河南": 130, "黑龙江": 80, "湖北": 83, "湖南": 101, "吉林": 48, "江苏": 75,
    "江西": 92, "辽宁": 60, "内蒙古": 88, "宁夏": 20, "青海": 42, "山东": 110, "山西": 106,
    "陕西": 97, "上海": 10, "四川": 130, "台湾": 30, "天津": 6, "西藏": 24, "新疆": 83,
    "云南": 126, "浙江": 79, "重庆": 32,
}
TOTAL = 2320

# Field limits: City and Province in GBK bytes, Zip and AreaCode in characters.
MAX_CITY_GBK = 14
MAX_PROVINCE_GBK = 6
MAX_ZIP = 6
MAX_AREA_CODE = 5

# Rows whose values are fixed: (city, province) -> {field: value}.
FIXED_ROWS = {
    ("凤阳", "安徽"): {"Zip": "233100", "AreaCode": "0550"},
    ("滁州", "安徽"): {"Zip": "239000", "AreaCode": "0550", "Longitude": 118.3, "Latitude": 32.2},
    ("北京", "北京"): {"Zip": "100000", "AreaCode": "010", "Longitude": 116.3, "Latitude": 39.9},
    ("兰州", "甘肃"): {"Zip": "730000", "AreaCode": "0931", "Longitude": 103.8, "Latitude": 36.0},
    ("红古区", "甘肃"): {"Zip": "730000", "AreaCode": "0931"},
    ("台北", "台湾"): {"Zip": "", "AreaCode": "", "Longitude": 121.5, "Latitude": 25.0},
    ("南京", "江苏"): {"Zip": "210000"},
}

FIXED_CITY_LISTS = {
    "北京": "北京 通县 平台 顺义 怀柔 密云 延庆 昌平 大兴".split(),
    "天津": "天津 宁河 静海 武清 宝坻 蓟县".split(),
}

# Postal-code look-ups of the details page: typed text -> (province, city)
# of the first row whose code begins with it.
ZIP_LOOKUPS = {
    "2331": ("安徽", "凤阳"),
    "1000": ("北京", "北京"),
    "730000": ("甘肃", "兰州"),
}


def gbk_size(text):
    return len(text.encode("gbk"))


def parse_coordinate(text, low, high):
    if text == "":
        return 0.0
    value = float(text)
    if not low <= value <= high:
        raise ValueError(f"{text} outside {low}..{high}")
    return value


def read_rows(path, errors):
    with open(path, "rb") as f:
        raw = f.read()
    try:
        text = raw.decode("utf-8")
    except UnicodeDecodeError as e:
        errors.append(f"{path}: not UTF-8: {e}")
        return []
    if text.startswith("\ufeff"):
        errors.append(f"{path}: starts with a byte-order mark")
        text = text[1:]
    lines = text.split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    if not lines or lines[0].rstrip("\r").split("\t") != HEADER:
        errors.append(f"{path}: the first line must be the header {' '.join(HEADER)}")
        return []
    rows = []
    for number, line in enumerate(lines[1:], start=2):
        if line.endswith("\r"):
            errors.append(f"line {number}: CR line end")
            line = line[:-1]
        fields = line.split("\t")
        if len(fields) != len(HEADER):
            errors.append(f"line {number}: {len(fields)} fields, expected {len(HEADER)}: {line!r}")
            continue
        row = dict(zip(HEADER, fields))
        row["line"] = number
        rows.append(row)
    return rows


def check_row(row, errors):
    where = f"line {row['line']} ({row['City']} {row['Province']})"
    city, province = row["City"], row["Province"]
    if city == "" or city != city.strip():
        errors.append(f"{where}: empty city or blanks around it")
    for field in HEADER:
        if any(ch in row[field] for ch in '"\\') or any(ord(ch) < 0x20 for ch in row[field]):
            errors.append(f"{where}: {field} holds a quote, backslash or control character")
    try:
        if gbk_size(city) > MAX_CITY_GBK:
            errors.append(f"{where}: city takes {gbk_size(city)} GBK bytes, at most {MAX_CITY_GBK}")
    except UnicodeEncodeError:
        errors.append(f"{where}: city has no GBK form")
    if province not in COUNTS:
        errors.append(f"{where}: unknown province {province!r}")
    elif gbk_size(province) > MAX_PROVINCE_GBK:
        errors.append(f"{where}: province takes more than {MAX_PROVINCE_GBK} GBK bytes")
    if len(row["Zip"]) > MAX_ZIP or not row["Zip"].isascii():
        errors.append(f"{where}: postal code {row['Zip']!r} longer than {MAX_ZIP} or not ASCII")
    if len(row["AreaCode"]) > MAX_AREA_CODE or not row["AreaCode"].isascii():
        errors.append(f"{where}: area code {row['AreaCode']!r} longer than {MAX_AREA_CODE} or not ASCII")
    try:
        row["lon"] = parse_coordinate(row["Longitude"], -180.0, 180.0)
        row["lat"] = parse_coordinate(row["Latitude"], -90.0, 90.0)
    except ValueError as e:
        errors.append(f"{where}: bad coordinate: {e}")


def check_table(rows, errors):
    if len(rows) != TOTAL:
        errors.append(f"{len(rows)} rows, expected {TOTAL}")

    # Grouping and order: the provinces as runs, each once, in table order.
    runs = []
    for row in rows:
        if not runs or runs[-1][0] != row["Province"]:
            runs.append([row["Province"], 0, row["line"]])
        runs[-1][1] += 1
    seen = set()
    for province, _, line in runs:
        if province in seen:
            errors.append(f"line {line}: rows of {province} are not together")
        seen.add(province)
    run_order = [r[0] for r in runs]
    if run_order != TABLE_ORDER:
        errors.append("provinces out of order:\n  found    " + " ".join(run_order)
                      + "\n  expected " + " ".join(TABLE_ORDER))
    for province, expected in COUNTS.items():
        found = sum(1 for r in rows if r["Province"] == province)
        if found != expected:
            errors.append(f"{province}: {found} rows, expected {expected}")

    by_key = {}
    for row in rows:
        key = (row["City"], row["Province"])
        if key in by_key:
            errors.append(f"line {row['line']}: {key[0]} repeated in {key[1]} (line {by_key[key]['line']})")
        else:
            by_key[key] = row

    for key, fixed in FIXED_ROWS.items():
        row = by_key.get(key)
        if row is None:
            errors.append(f"fixed row {key[0]} ({key[1]}) is missing")
            continue
        for field, value in fixed.items():
            found = row.get({"Longitude": "lon", "Latitude": "lat"}.get(field, field))
            if found != value:
                errors.append(f"fixed row {key[0]} ({key[1]}): {field} is {found!r}, expected {value!r}")

    for province, cities in FIXED_CITY_LISTS.items():
        found = [r["City"] for r in rows if r["Province"] == province]
        if found != cities:
            errors.append(f"cities of {province}: {' '.join(found)}, expected {' '.join(cities)}")

    for typed, expected in ZIP_LOOKUPS.items():
        first = next((r for r in rows if r["Zip"].lower().startswith(typed.lower())), None)
        found = (first["Province"], first["City"]) if first else None
        if found != expected:
            errors.append(f"postal code {typed} finds {found}, expected {expected}")


def c_string(text):
    return '"' + text + '"'


def c_double(row, field):
    text = row[field]
    return text if text else "0"


def render(rows, source_name):
    out = []
    out.append("// Generated by tools/gen_places/gen_places.py from " + source_name + "; do not edit.")
    out.append("// The place table: city, province, postal code, area code, longitude, latitude.")
    out.append("// Texts are UTF-8 here; their GBK sizes were checked by the generator")
    out.append(f"// (city at most {MAX_CITY_GBK} bytes, province at most {MAX_PROVINCE_GBK}).")
    out.append("")
    out.append('#include "JingWei.h"')
    out.append("")
    out.append("namespace JingWei {")
    out.append("")
    out.append("const char *const ProvinceNames[ProvinceCount] = {")
    for i in range(0, len(PROVINCES), 8):
        out.append("    " + " ".join(c_string(p) + "," for p in PROVINCES[i:i + 8]))
    out.append("};")
    out.append("")
    out.append("const PlaceRecord PlaceTable[PlaceCount] = {")
    current = None
    for row in rows:
        if row["Province"] != current:
            current = row["Province"]
            out.append(f"    // {current} ({COUNTS[current]})")
        out.append("    {" + ", ".join([c_string(row["City"]), c_string(row["Province"]),
                                       c_string(row["Zip"]), c_string(row["AreaCode"]),
                                       c_double(row, "Longitude"), c_double(row, "Latitude")]) + "},")
    out.append("};")
    out.append("")
    out.append("}  // namespace JingWei")
    return "\n".join(out) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--input", default=DEFAULT_INPUT, help="the place list (TSV)")
    parser.add_argument("--output", default=DEFAULT_OUTPUT, help="the C++ source to write")
    args = parser.parse_args()

    errors = []
    try:
        rows = read_rows(args.input, errors)
    except OSError as e:
        sys.exit(f"gen_places: cannot read {args.input}: {e}")
    for row in rows:
        check_row(row, errors)
    if not errors:
        check_table(rows, errors)
    if errors:
        for e in errors:
            print(f"gen_places: {args.input}: {e}", file=sys.stderr)
        sys.exit(f"gen_places: {len(errors)} problem(s), {args.output} not written")

    text = render(rows, os.path.basename(args.input))
    with open(args.output, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)
    print(f"gen_places: {len(rows)} places written to {args.output}")


if __name__ == "__main__":
    main()
