"""Checks tesk_mag's tables of result lines against the fixed-column lines themselves.

  mag_tables.py RUNDIR TABLE.csv TABLE.json

Every result line of the five files must be one row of the CSV table (loaded with the csv
module) whose fields hold the texts of the line's columns, cut here independently of
tesk_mag; the JSON table must hold the same rows with the same values.
"""

import csv
import json
import math
import sys

RESULT_FILES = ("wood.wave", "ground.wave", "shake.wave", "energy.wave", "ramp.wave")

# (first, last) columns of each field, 1-based, as the result files are laid out.
GROUND = {"station": (2, 5), "channel": (7, 9), "network": (11, 14), "measurement": (15, 19),
          "azimuth_deg": (20, 23), "dip_deg": (25, 28), "value": (54, 65),
          "frequency_hz": (66, 77), "latitude_deg": (78, 84), "longitude_deg": (86, 93),
          "distance_km": (95, 106)}
SHAKE = {"station": (2, 5), "channel": (7, 9), "network": (11, 14), "measurement": (15, 19),
         "above_0.05g_s": (54, 60), "above_0.10g_s": (61, 67), "above_0.20g_s": (68, 74),
         "above_0.50g_s": (75, 81), "latitude_deg": (82, 88), "longitude_deg": (90, 97),
         "distance_km": (99, 110)}
ENERGY = {"station": (2, 5), "channel": (7, 8), "network": (10, 13), "measurement": (15, 20),
          "value": (22, 26), "distance_km": (28, 34), "energy_erg": (36, 50),
          "velocity2_integral_cm2_s": (51, 65)}
RAMP = {"station": (2, 5), "channel": (7, 8), "network": (10, 13), "measurement": (15, 20),
        "value": (22, 26), "distance_km": (28, 34), "window_start_s": (60, 65),
        "window_end_s": (67, 72), "window_step_s": (74, 79), "window_used_s": (81, 86),
        "mw_error": (88, 91), "moment_dyn_cm": (93, 104), "moment_error_dyn_cm": (106, 117),
        "chi2": (119, 128), "explained_pct": (130, 139), "g0": (141, 152), "g1": (154, 165),
        "g2": (167, 178), "g2_error": (180, 191)}
LAYOUTS = {"ground.wave": GROUND, "shake.wave": SHAKE, "energy.wave": ENERGY, "ramp.wave": RAMP}


def fail(message):
    print(f"mag_tables: {message}")
    sys.exit(1)


def expected_fields(name, line):
    if name == "wood.wave":
        codes, label, amp, period, offset, logap = line.split()
        return {"station": codes[:-3], "channel": codes[-3:], "measurement": label,
                "value": amp, "period_s": period, "sample_offset": offset,
                "log10_amp_per_period": logap}
    return {key: line[a - 1:b].strip() for key, (a, b) in LAYOUTS[name].items()}


def main(run_dir, csv_path, json_path):
    with open(csv_path, newline="", encoding="utf-8") as f:
        rows = list(csv.DictReader(f))
    with open(json_path, encoding="utf-8") as f:
        objects = json.load(f)
    lines = []
    for name in RESULT_FILES:
        try:
            with open(f"{run_dir}/{name}", encoding="ascii") as f:
                text = f.read().splitlines()
        except FileNotFoundError:
            continue
        lines += [(name, n + 1, line) for n, line in enumerate(text)
                  if line.strip() and not line.startswith("#")]
    if len(rows) != len(lines) or len(objects) != len(lines):
        fail(f"{len(lines)} result lines, {len(rows)} CSV rows, {len(objects)} JSON rows")
    units = {"WAS": "mm", "PGA": "mm/s2", "PGV": "mm/s", "PGD": "mm"}
    checked = 0
    for (name, number, line), row, obj in zip(lines, rows, objects):
        where = f"{name} line {number}"
        if row["file"] != name or row["line"] != str(number):
            fail(f"{where}: row names {row['file']} line {row['line']}")
        for key, text in expected_fields(name, line).items():
            if row[key] != text:
                fail(f"{where}: {key} is {row[key]!r}, the line has {text!r}")
            checked += 1
        if row["measurement"] in units and row["unit"] != units[row["measurement"]]:
            fail(f"{where}: unit {row['unit']}")
        for key, text in row.items():
            value = obj[key]
            if text == "":
                if value is not None:
                    fail(f"{where}: JSON {key} is {value!r}, the CSV field is empty")
            elif isinstance(value, (int, float)):
                if not math.isclose(value, float(text), rel_tol=1e-12):
                    fail(f"{where}: JSON {key} {value} differs from CSV {text}")
            elif value != text:
                fail(f"{where}: JSON {key} {value!r} differs from CSV {text!r}")
    print(f"mag_tables: {len(rows)} rows, {checked} fields match their lines")


if __name__ == "__main__":
    main(*sys.argv[1:4])
