#!/usr/bin/env python3
"""Writes PVWatts' Denver hourly file (tests/data) as a plain weather CSV: one row per hour,
stamped with the start of its hour in local standard time (UTC-7), with its beam, diffuse,
air temperature and wind. Standard library only.

    denver_weather.py PVWATTS_CSV OUT_CSV
"""
import csv
import sys


def main(source, target):
    with open(source, newline="") as f:
        rows = list(csv.reader(f))
    start = next(i for i, r in enumerate(rows) if r and r[0] == "Month") + 1
    with open(target, "w", newline="") as out:
        out.write("time,dni,dhi,temp_air,wind_speed\n")
        for r in rows[start:]:
            if not r or not r[0].isdigit():
                break
            month, day, hour = int(r[0]), int(r[1]), int(r[2])
            out.write("2019-%02d-%02dT%02d:00:00-07:00,%s,%s,%s,%s\n"
                      % (month, day, hour, r[3], r[4], r[5], r[6]))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
