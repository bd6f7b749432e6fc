#!/usr/bin/env python3
"""Expected texts for simulation_test.cpp and form_test.cpp.

What the window shows and logs for the moments its tests step through, at Geneva (46.205556,
6.154444, zone 2): the sun's azimuth and elevation, a panel's angle of incidence and
production, formatted as the boxes show them ("0.0" and "0" halves away from zero, "hh:nn"
after rounding to the second). The geometry comes from tests/geometry/expected_values.py,
which works it out independently of the C++; the step arithmetic of a run (a sunrise plus
whole jumps, rounded to the second) is done here on the same doubles. Standard library only;
the tests do not run it.
"""
import datetime
import math
import os
import sys
from decimal import ROUND_HALF_UP, Decimal

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "geometry"))
import expected_values as g  # noqa: E402

LAT, LON, ZONE = 46.205556, 6.154444, 2


def one_decimal(x):
    return str(Decimal(x).quantize(Decimal("0.1"), ROUND_HALF_UP))


def whole(x):
    return str(Decimal(x).quantize(Decimal("1"), ROUND_HALF_UP))


def parts(serial):
    """Calendar parts of a day serial, its time rounded to the second as the run does."""
    day = math.floor(serial)
    seconds = math.floor((serial - day) * 86400 + 0.5)
    t = datetime.datetime.fromordinal(g.EPOCH + day) + datetime.timedelta(seconds=seconds)
    return t.year, t.month, t.day, t.hour, t.minute, t.second


def shown(moment, panel=None):
    """Azimuth and elevation texts, then the panel's angle and production when given."""
    az, el = g.sun_position(*moment, LAT, LON, ZONE)
    texts = [one_decimal(az), one_decimal(el)]
    if panel:
        aoi = g.angle_of_incidence(az, el, *panel)
        prod = g.aoi_to_production(aoi) if el > 0 else 0.0
        texts += [one_decimal(aoi), whole(prod) + "%"]
    return texts


def main():
    print("// 2025-07-24 at 20:00 to 20:50, 09:00, 09:10 and 2025-08-01 06:00")
    for h, mi in ((20, 0), (20, 10), (20, 20), (20, 30), (20, 40), (20, 50), (9, 0), (9, 10)):
        print(f"{h:02}:{mi:02}", shown((2025, 7, 24, h, mi, 0)))
    print("2025-08-01 06:00", shown((2025, 8, 1, 6, 0, 0)))
    # Europe/Zurich around the night its clocks go forward: 2025-03-29 20:50 in winter time,
    # then the next sunrise and 2025-03-30 09:00 in summer time.
    winter = g.sun_position(2025, 3, 29, 20, 50, 0, LAT, LON, 1)
    print("2025-03-29 20:50, zone 1", [one_decimal(v) for v in winter])
    p = parts(g.sunrise_sunset(2025, 3, 30, 0, 0, 0, LAT, LON, ZONE)[0])
    print("2025-03-30 sunrise %02d:%02d:%02d" % p[3:], shown(p))
    for mi in (0, 10):
        print(f"2025-03-30 09:{mi:02}", shown((2025, 3, 30, 9, mi, 0)))
    # 14:00, the worked example: the five default panels, then panel 3 laid flat.
    for panel in ((151, 45), (151, 20), (331, 20), (151, 70), (331, 70), (331, 0)):
        print("14:00 with %d/%d" % panel, shown((2025, 7, 24, 14, 0, 0), panel))
    print("20:50 with 331/70", shown((2025, 7, 24, 20, 50, 0), (331, 70)))
    print("20:50 with 151/45", shown((2025, 7, 24, 20, 50, 0), (151, 45)))
    print("22:30 with 331/70", shown((2025, 7, 24, 22, 30, 0), (331, 70)))

    # The rollover to 2025-07-25 sets the run's time to the sunrise; each step adds the jump.
    sunrise = g.sunrise_sunset(2025, 7, 25, 0, 0, 0, LAT, LON, ZONE)[0]
    step = ((1.0 / 24.0) / 60.0) * 10
    for k, panel in ((0, None), (1, None), (1, (331, 70)), (1, (151, 45))):
        t = sunrise + step if k else sunrise
        p = parts(t)
        print(f"sunrise + {k} jumps: {p[3]:02}:{p[4]:02}:{p[5]:02}", shown(p, panel))

    # A refresh at 18:30:37 in live mode: panel 1 (151/45), unrounded.
    az, el = g.sun_position(2025, 7, 24, 18, 30, 37, LAT, LON, ZONE)
    print("18:30:37 AOI 151/45:", repr(g.angle_of_incidence(az, el, 151, 45)),
          "at 18:30:00:", repr(g.angle_of_incidence(*g.sun_position(2025, 7, 24, 18, 30, 0, LAT, LON, ZONE), 151, 45)))


if __name__ == "__main__":
    main()
