#!/usr/bin/env python3
"""Expected texts for simulation_test.cpp and form_test.cpp.

What the window shows and logs for the moments its tests step through, at Geneva (46.205556,
6.154444, zone 2): the sun's azimuth and elevation, a panel's angle of incidence and
production, formatted as the boxes show them ("0.0" and "0" halves away from zero, "hh:nn"
after rounding to the second). The geometry comes from tests/geometry/expected_values.py,
which works it out independently of the C++; the step arithmetic of a run (a sunrise plus
whole jumps, rounded to the second) is done here on the same doubles. Prints the texts as C++
string literals, fields joined as the tests join them ("|" for a run's steps, a tab in the
logs). Standard library only; the tests do not run it, scripts/check-expected checks that they
hold what it prints.
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


def quoted(text):
    """A C++ string literal, a tab written as the tests write it."""
    return '"%s"' % text.replace("\t", "\\t")


def step(moment):
    """A run's step as the tests note it: time, azimuth, elevation."""
    return "|".join(["%02d:%02d" % moment[3:5]] + shown(moment))


def main():
    print("// Steps: hh:nn|azimuth|elevation. 2025-07-24 at 20:00 to 20:50, 09:00, 09:10; "
          "2025-08-01 06:00")
    for h, mi in ((20, 0), (20, 10), (20, 20), (20, 30), (20, 40), (20, 50), (9, 0), (9, 10)):
        print(quoted(step((2025, 7, 24, h, mi, 0))))
    print(quoted(step((2025, 8, 1, 6, 0, 0))))
    # Europe/Zurich around the night its clocks go forward: 2025-03-29 20:50 in winter time,
    # then the next sunrise and 2025-03-30 09:00 in summer time.
    print("// 2025-03-29 20:50 in zone 1, then 2025-03-30 at its sunrise, 09:00 and 09:10")
    winter = g.sun_position(2025, 3, 29, 20, 50, 0, LAT, LON, 1)
    print(quoted("20:50|" + "|".join(one_decimal(v) for v in winter)))
    p = parts(g.sunrise_sunset(2025, 3, 30, 0, 0, 0, LAT, LON, ZONE)[0])
    print(quoted(step(p)), "// sunrise %02d:%02d:%02d" % p[3:])
    for mi in (0, 10):
        print(quoted(step((2025, 3, 30, 9, mi, 0))))
    # 14:00, the worked example: the sun, the sunrise and sunset, the five default panels,
    # then panel 3 laid flat.
    noon = (2025, 7, 24, 14, 0, 0)
    print("// 2025-07-24 14:00: azimuth|elevation, sunrise|sunset, then AOI|production of the "
          "five panels, then with panel 3 flat (331/0)")
    print(quoted("|".join(shown(noon))))
    print(quoted("|".join("%02d:%02d:%02d" % parts(t)[3:]
                          for t in g.sunrise_sunset(*noon, LAT, LON, ZONE))))
    for panels in (((151, 45), (151, 20), (331, 20), (151, 70), (331, 70)),
                   ((151, 45), (151, 20), (331, 0), (151, 70), (331, 70))):
        print(quoted("|".join("|".join(shown(noon, panel)[2:]) for panel in panels)))
    az, el = g.sun_position(*noon, LAT, LON, ZONE)
    aoi = g.angle_of_incidence(az, el, 151, 45)
    print("// panel 1 unrounded: AOI %.3f, production %.3f" % (aoi, g.aoi_to_production(aoi)))
    print("// in a comma locale: azimuth, panel 1's AOI")
    print(quoted(" ".join(shown(noon, (151, 45))[i].replace(".", ",") for i in (0, 2))))
    print("// 22:30: elevation, then the AOI of 331/70 with the sun down (production 0%)")
    late = shown((2025, 7, 24, 22, 30, 0), (331, 70))
    assert late[3] == "0%"
    print(quoted(late[1] + " " + late[2]))

    # The logs: the sun as azimuth<tab>elevation, a panel as AOI<tab>production.
    print("// Logs at 20:50: the sun, then 151/45 and 331/70")
    dusk = (2025, 7, 24, 20, 50, 0)
    print(quoted("\t".join(shown(dusk))))
    for panel in ((151, 45), (331, 70)):
        print(quoted("\t".join(shown(dusk, panel)[2:])))

    # The rollover to 2025-07-25 sets the run's time to the sunrise; each step adds the jump.
    rise, set_ = g.sunrise_sunset(2025, 7, 25, 0, 0, 0, LAT, LON, ZONE)
    print("// 2025-07-25: sunrise and sunset hh:nn; the steps at the sunrise and one jump of "
          "10 min later; the logs then: the sun, 151/45, 331/70")
    print(quoted(" ".join("%02d:%02d" % parts(t)[3:5] for t in (rise, set_))))
    later = parts(rise + ((1.0 / 24.0) / 60.0) * 10)
    print(quoted(step(parts(rise))))
    print(quoted(step(later)))
    print(quoted("\t".join(shown(later))))
    for panel in ((151, 45), (331, 70)):
        print(quoted("\t".join(shown(later, panel)[2:])))

    # A refresh at 18:30:37 in live mode: panel 1 (151/45), unrounded.
    az, el = g.sun_position(2025, 7, 24, 18, 30, 37, LAT, LON, ZONE)
    before = g.angle_of_incidence(*g.sun_position(2025, 7, 24, 18, 30, 0, LAT, LON, ZONE),
                                  151, 45)
    print("// 18:30:37, AOI of 151/45: %r; at 18:30:00: %.3f"
          % (g.angle_of_incidence(az, el, 151, 45), before))


if __name__ == "__main__":
    main()
