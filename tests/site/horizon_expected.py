#!/usr/bin/env python3
"""Expected values for horizon_test.cpp: the part of a plane's isotropic sky a horizon leaves.

Worked out a second way, from the plane's side rather than the sky's: the plane's hemisphere
in its own coordinates, polar angle t from its normal and angle p around it, where the
cosine-weighted measure cos t sin t dt dp is d(sin^2 t)/2 dp. For each of 1440 angles p
(midpoints) the ray from the normal to the plane's rim is walked in steps of one degree; a
direction counts when its elevation is above both the horizontal and the horizon's height at
its azimuth (linear between the points, around 360), and each change along the ray is
bisected to its exact place. The fraction is the visible measure divided by the measure of
the sky above the horizontal, pi (1 + cos tilt) / 2. Good to about 1e-5 (the tests allow
1.5e-5): printed to five places.

Prints the C++ rows horizon_test.cpp holds (paste them over its tables when a case is added);
scripts/check-expected checks that it does. Standard library only.
"""
import bisect
import csv
import math
import os

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "..", "data", "horizon-45.000-8.000.csv")


def profile(points):
    """Height in degrees at an azimuth, points [(azimuth, height)] in any order."""
    pts = sorted(points)
    ring = [(a - 360.0, h) for a, h in pts[-1:]] + pts + [(a + 360.0, h) for a, h in pts[:1]]

    starts = [a for a, _ in ring]

    def height(azimuth):
        azimuth %= 360.0
        if azimuth >= 360.0:  # a tiny negative azimuth
            azimuth = 0.0
        k = bisect.bisect_right(starts, azimuth)
        (a0, h0), (a1, h1) = ring[k - 1], ring[k]
        return h0 + (h1 - h0) * (azimuth - a0) / (a1 - a0)
    return height


def sky_fraction(height, azimuth, tilt, turns=1440, steps=90):
    b, g = math.radians(tilt), math.radians(azimuth)
    # east, north, up
    normal = (math.sin(b) * math.sin(g), math.sin(b) * math.cos(g), math.cos(b))
    u = (math.cos(b) * math.sin(g), math.cos(b) * math.cos(g), -math.sin(b))  # down the slope
    v = (normal[1] * u[2] - normal[2] * u[1], normal[2] * u[0] - normal[0] * u[2],
         normal[0] * u[1] - normal[1] * u[0])

    def visible(t, cp, sp):
        d = [math.cos(t) * n + math.sin(t) * (cp * x + sp * y) for n, x, y in zip(normal, u, v)]
        elevation = math.degrees(math.asin(max(-1.0, min(1.0, d[2]))))
        direction = math.degrees(math.atan2(d[0], d[1]))
        return elevation > max(0.0, height(direction))

    total = 0.0
    for k in range(turns):
        p = 2 * math.pi * (k + 0.5) / turns
        cp, sp = math.cos(p), math.sin(p)
        seen = 0.0
        t0 = 0.0
        v0 = visible(t0, cp, sp)
        start = t0 if v0 else None
        for j in range(1, steps + 1):
            t1 = (math.pi / 2) * j / steps
            v1 = visible(t1, cp, sp)
            if v1 != v0:
                lo, hi = t0, t1
                for _ in range(40):
                    mid = (lo + hi) / 2
                    if visible(mid, cp, sp) == v0:
                        lo = mid
                    else:
                        hi = mid
                edge = (lo + hi) / 2
                if v0:
                    seen += math.sin(edge) ** 2 - math.sin(start) ** 2
                else:
                    start = edge
            t0, v0 = t1, v1
        if v0:
            seen += 1.0 - math.sin(start) ** 2
        total += seen / 2 * (2 * math.pi / turns)
    return total / (math.pi * (1 + math.cos(b)) / 2)


def rows(height, planes):
    for azimuth, tilt in planes:
        print("{%g, %g, %.5f}," % (azimuth, tilt, sky_fraction(height, azimuth, tilt)))


def main():
    print("// A uniform horizon: height, plane's azimuth and tilt, fraction (flat plane: cos^2 h)")
    for h, azimuth, tilt in [(20, 0, 0), (45, 0, 0), (20, 180, 90), (20, 180, 35), (10, 90, 60)]:
        print("{%g, %g, %g, %.5f}," % (h, azimuth, tilt,
                                       sky_fraction(lambda a, h=h: h, azimuth, tilt)))
    with open(DATA, newline="") as f:
        shared = [(float(a), float(h)) for a, h in list(csv.reader(f))[1:]]
    print("// The shared file's horizon: plane's azimuth and tilt, fraction")
    rows(profile(shared), [(0, 0), (180, 35), (90, 90), (151, 45), (331, 70), (180, 120)])
    print("// A hill of 30 degrees from 90 to 180, peak at 135: plane's azimuth and tilt, fraction")
    rows(profile([(0, 0), (90, 0), (135, 30), (180, 0)]),
         [(0, 0), (135, 90), (180, 35), (315, 90), (-45, -30)])


if __name__ == "__main__":
    main()
