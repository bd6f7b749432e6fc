#!/usr/bin/env python3
"""Expected values for summary_test.cpp and for the day, year, best and clear-sky series
figures of the calculator's tests (tests/cli).

Works the sums a second time, moment by moment, in plain Python: the sun's position by the
low-precision solar ephemeris (Julian day, mean longitude and anomaly, two-term equation of
centre, obliquity, sidereal time, whole-degree azimuth), the angle of incidence and the
production 100 cos(AOI)^1.5 with the sun above the horizon, and the clear sky and plane of
array of ../clearsky/solis_expected.py. The best orientation is searched by brute force over
every whole degree of a window around it, not coarse to fine.

Prints the figures the tests hold, as C++ rows and string literals; paste them over the tables
when a case is added. Standard library only; the tests do not run it, scripts/check-expected
checks that they hold what it prints. It takes a few seconds.
"""
import datetime
import math
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "clearsky"))
import solis_expected as sky  # noqa: E402

PI = 3.14159265358979


def rad(x):
    return x * PI / 180


def deg(x):
    return x * 180 / PI


def sin_d(x):
    return math.sin(rad(x))


def cos_d(x):
    return math.cos(rad(x))


def asin_d(x):
    if x <= -1:
        return -90.0
    if x >= 1:
        return 90.0
    return deg(math.atan(x / math.sqrt(1 - x * x)))


def acos_d(x):
    if x <= -1:
        return 180.0
    if x >= 1:
        return 0.0
    return deg(math.atan(-x / math.sqrt(1 - x * x)) + 2 * math.atan(1))


def atan2_d(y, x):
    if x > 0:
        return deg(math.atan(y / x))
    if x < 0:
        return deg(math.atan(y / x)) + (y > 0) * 180 - (y < 0) * 180
    return 0.0 if y == 0 else math.copysign(90.0, y)


def reduce(v):
    v = v - 360 * math.floor(v / 360)
    return v + 360 if v < 0 else v


def julian_day(t):
    y, m = (t.year - 1, t.month + 12) if t.month <= 2 else (t.year, t.month)
    a = int(y / 100)
    b = 2 - a + int(a / 4)
    jd0 = math.floor(365.25 * (y + 4716)) + math.floor(30.6001 * (m + 1)) + t.day + b - 1524.5
    return jd0 + (t.minute / 60 + t.hour + t.second / 3600) / 24


def sun(unix_seconds, lat, lon):
    """(azimuth, elevation) at an instant of universal time."""
    d = julian_day(datetime.datetime.fromtimestamp(unix_seconds, datetime.timezone.utc)) - 2451545.0
    mean_longitude = reduce(d * 0.9856474 + 280.46)
    g = reduce(d * 0.9856003 + 357.528)
    lam = reduce(1.915 * sin_d(g) + mean_longitude + 0.02 * sin_d(2 * g))
    eps = 23.439 - 0.0000004 * d
    alpha = reduce(atan2_d(sin_d(lam) * cos_d(eps), cos_d(lam)))
    delta = asin_d(sin_d(lam) * sin_d(eps))
    t = d / 36525
    theta = reduce(d * 360.98564736629 + 280.46061837 + 0.000387933 * t ** 2 - t ** 3 / 38710000)
    h = reduce(theta + lon) - alpha
    h = h + 360 if h < -180 else h - 360 if h > 180 else h
    elevation = asin_d(cos_d(lat) * cos_d(delta) * cos_d(h) + sin_d(lat) * sin_d(delta))
    a = atan2_d(-sin_d(h), math.tan(rad(delta)) * cos_d(lat) - sin_d(lat) * cos_d(h))
    return (round(a + 360) % 360, elevation)


def aoi(sun_az, sun_el, azimuth, tilt):
    a, e, g, b = rad(sun_az), rad(sun_el), rad(azimuth), rad(tilt)
    s = (math.sin(a) * math.cos(e)) * (math.sin(g) * math.sin(b)) \
        + (math.cos(a) * math.cos(e)) * (math.cos(g) * math.sin(b)) + math.sin(e) * math.cos(b)
    return acos_d(min(max(s, -1.0), 1.0))


def production(angle, elevation):
    return 100 * math.cos(rad(angle)) ** 1.5 if elevation > 0 and angle < 90 else 0.0


GENEVA = (46.205556, 6.154444)
PANELS = [(151, 45), (151, 20), (331, 20), (0, 0), (180, 90)]


def utc(y, m, d, hour=0):
    return int(datetime.datetime(y, m, d, hour, tzinfo=datetime.timezone.utc).timestamp())


SUMMER = (utc(2025, 3, 30, 1), utc(2025, 10, 26, 1))  # Zurich's summer time, UT


def zurich(ut):
    return 2 if SUMMER[0] <= ut < SUMMER[1] else 1


def local_midnight(y, m, d, offset):
    """The instant of universal time of a local midnight (no change falls at midnight here)."""
    return utc(y, m, d) - 3600 * offset(utc(y, m, d) - 3600)


def moments(start, end, step, site, offset):
    """(universal second, local second, sun azimuth, elevation) of each moment from start up
    to end."""
    return [(ut, ut + 3600 * offset(ut)) + sun(ut, *site) for ut in range(start, end, step)]


def sums(rows, step, panels):
    """Sun hours and, per panel in use, production hours, kWh/m2, peak and its local second."""
    hours = step / 3600
    out = [sum(1 for r in rows if r[3] > 0) * hours]
    for azimuth, tilt in panels:
        if azimuth == 0 and tilt == 0:
            out.append(None)
            continue
        peak, when, prod, poa = 0.0, None, 0.0, 0.0
        for _, local, az, el in rows:
            angle = aoi(az, el, azimuth, tilt)
            p = production(angle, el)
            prod += p / 100
            poa += sky.plane(sky.solis(el), angle, tilt)
            if p > peak:
                peak, when = p, local
        out.append((prod * hours, poa * hours / 1000, peak, when))
    return out


def days(first, last, step, site, offset):
    """The moments of the local days from first up to last, (y, m, d) each."""
    return moments(local_midnight(*first, offset), local_midnight(*last, offset), step, site,
                   offset)


def best(rows, step, azimuths, tilts):
    """The whole-degree orientation with the most kWh/m2, the first of equals by tilt, then
    azimuth."""
    up = [(az, el, sky.solis(el)) for _, _, az, el in rows if el > 0]
    found = None
    for t in tilts:
        for a in azimuths:
            total = sum(sky.plane(s, aoi(az, el, a % 360, t), t) for az, el, s in up)
            if found is None or total > found[0]:
                found = (total, a % 360, t)
    return (found[1], found[2], found[0] * step / 3600 / 1000)


def show(x):
    return "%.10f" % x


def row(values):
    return "{%s}" % ", ".join(values)


def main():
    hour = 3600
    fixed2 = lambda ut: 2  # noqa: E731
    s = sums(days((2025, 7, 24), (2025, 7, 25), hour, GENEVA, fixed2), hour, PANELS)
    print("// Day 2025-07-24, Geneva, +2, every hour: sun hours %s" % show(s[0]))
    print("// panel index (0 is panel 1): production hours, kWh/m2, peak, peak local hour")
    for n, p in enumerate(s[1:]):
        if p:
            print("  {%d, %s, %s, %s, %d}," % (n, show(p[0]), show(p[1]), show(p[2]),
                                               p[3] % 86400 // 3600))
    m = sums(days((2025, 7, 24), (2025, 7, 25), 60, GENEVA, fixed2), 60, [(151, 45)])
    print("// The same day every minute, panel 151/45, as the calculator's day shows it:")
    print('  "%.2f h"  // sun hours %s' % (m[0], show(m[0])))
    print('  "peak %.0f%% at %s, %.2f production hours, %.2f kWh/m\u00b2"  // %s, %s, %s'
          % (m[1][2], time.strftime("%H:%M", time.gmtime(m[1][3])), m[1][0], m[1][1],
             show(m[1][2]), show(m[1][0]), show(m[1][1])))

    print("// Year 2025, Geneva, Zurich's offsets, every hour: moments by month")
    total = 0.0
    counts, kwhs = [], []
    for month in range(1, 13):
        part = days((2025, month, 1), (2025 + month // 12, month % 12 + 1, 1), hour, GENEVA,
                    zurich)
        kwh = sums(part, hour, [(151, 45)])[1][1]
        total += kwh
        counts.append(len(part))
        kwhs.append(kwh)
    print("  " + row("%d" % c for c in counts))
    print("// kWh/m2 of 151/45 by month")
    print("  " + row(show(k) for k in kwhs))
    print("// the year: %d moments, %s" % (sum(counts), show(total)))

    print("// Year 2025, Geneva, +2, every hour: kWh/m2 per panel; then 180/35")
    rows = days((2025, 1, 1), (2026, 1, 1), hour, GENEVA, fixed2)
    print("  " + row(show(p[1]) if p else "0" for p in sums(rows, hour, PANELS)[1:]))
    south35 = sums(rows, hour, [(180, 35)])[1][1]
    print("// 180/35: %s" % show(south35))

    print("// Best orientations, every hour: latitude, longitude, zone, tilt and azimuth fixed "
          "or kFree, {azimuth, tilt} found, kWh/m2")
    cases = [
        ("Geneva +2", GENEVA + (2,), rows, range(170, 191), range(25, 46)),
        ("Geneva +2, tilt 90", GENEVA + (2,), rows, range(160, 201), [90]),
        ("Geneva +2, azimuth 90", GENEVA + (2,), rows, [90], range(0, 91)),
        ("Cape Town +2", (-33.9, 18.4, 2),
         days((2025, 1, 1), (2026, 1, 1), hour, (-33.9, 18.4), fixed2),
         range(-20, 21), range(20, 46)),
        ("equator 0, azimuth 0", (0, 0, 0), days((2025, 1, 1), (2026, 1, 1), hour, (0.0, 0.0),
                                                 lambda ut: 0), [0], range(0, 91)),
    ]
    share = None
    for label, site, r, azimuths, tilts in cases:
        a, t, kwh = best(r, hour, azimuths, tilts)
        fixed = ["%s" % v[0] if len(v) == 1 else "kFree" for v in (tilts, azimuths)]
        print("  {%s, %s, %s, %s, %s, {%s, %s}, %s},  // %s"
              % (site + tuple(fixed) + (a, t, show(kwh), label)))
        if share is None:
            share = 100 * south35 / kwh
    print("// 180/35 gets %s %% of the first" % show(share))

    print("// The calculator's series of 2025-07-24 14:00 and 15:00, +2, panel 180/0, 1500 m,"
          " to three decimals")
    pressure = sky.pressure_at_altitude(1500.0)
    for ut in (utc(2025, 7, 24, 12), utc(2025, 7, 24, 13)):
        az, el = sun(ut, *GENEVA)
        angle = aoi(az, el, 180, 0)
        irradiance = sky.solis(el, pressure=pressure)
        values = (az, el, angle, production(angle, el)) + irradiance \
            + (sky.plane(irradiance, angle, 0),)
        print('  "%s"' % ",".join("%.3f" % v for v in values))


if __name__ == "__main__":
    main()
