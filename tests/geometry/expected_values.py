#!/usr/bin/env python3
"""Exact expected values for geometry_test.cpp.

Works every step of the solar geometry a second time, written from the algorithms' own
definitions rather than from the C++: Python floats are IEEE doubles, the operations are
done in the same order, and math.sin, cos, tan, atan, sqrt and pow call the same C library.
The calendar is modelled with datetime and whole seconds, not with day serials.

Prints the C++ table rows (expected doubles as hex-float literals) that geometry_test.cpp
holds; run it and paste its output over the tables when a row is added. Standard library
only; the tests do not run it.
"""
import datetime
import math

PI = 3.14159265358979  # the fifteen-digit literal, not math.pi
EPOCH = datetime.date(1899, 12, 30).toordinal()


# --- Degree trigonometry ----------------------------------------------------------------

def deg_to_rad(x):
    return x * PI / 180


def rad_to_deg(x):
    return x * 180 / PI


def sind(x):
    return math.sin(deg_to_rad(x))


def cosd(x):
    return math.cos(deg_to_rad(x))


def tand(x):
    return math.tan(deg_to_rad(x))


def asind(x):
    if x <= -1:
        return -90.0
    if x >= 1:
        return 90.0
    return rad_to_deg(math.atan(x / math.sqrt(1 - x * x)))


def acosd(x):
    if x <= -1:
        return 180.0
    if x >= 1:
        return 0.0
    return rad_to_deg(math.atan(-x / math.sqrt(1 - x * x)) + 2 * math.atan(1))


def sgn(v):
    return -1.0 if v < 0 else (1.0 if v > 0 else 0.0)


def atan2d(y, x):
    if x > 0:
        return rad_to_deg(math.atan(y / x))
    if x < 0:
        return rad_to_deg(math.atan(y / x)) + sgn(y) * 180
    return 0.0 if y == 0 else sgn(y) * 90


# --- Sun position -----------------------------------------------------------------------

def floor(v):
    """Int(v) as a double; the floor of -0 stays -0 as in IEEE arithmetic."""
    f = float(math.floor(v))
    return math.copysign(0.0, v) if f == 0 else f


def reduce(v):
    v = v - 360 * floor(v / 360)
    if v < 0:
        v = v + 360
    return v


def trunc_div(a, b):
    q = abs(a) // abs(b)
    return q if (a < 0) == (b < 0) else -q


def julian_day(y, m, d):
    if m <= 2:
        y, m = y - 1, m + 12
    a = trunc_div(y, 100)
    b = 2 - a + trunc_div(a, 4)
    return floor(365.25 * (y + 4716)) + floor(30.6001 * (m + 1)) + d + b - 1524.5


def local_serial(y, mo, d, h, mi, s):
    """The day serial the test builds: DateSerial(y, mo, d) + TimeSerial(h, mi, s)."""
    return float(datetime.date(y, mo, d).toordinal() - EPOCH) + (h * 3600 + mi * 60 + s) / 86400


def offset_seconds(zone):
    """The zone's offset to the nearest second, halves away from zero."""
    return int(math.copysign(math.floor(abs(zone * 3600) + 0.5), zone))


def universal(y, mo, d, h, mi, s, zone):
    """Calendar parts of the local moment less the zone's offset to the second."""
    seconds = (h * 3600 + mi * 60 + s) - offset_seconds(zone)
    days, seconds = divmod(seconds, 86400)
    date = datetime.date.fromordinal(datetime.date(y, mo, d).toordinal() + days)
    assert 100 <= date.year <= 9999
    return date.year, date.month, date.day, seconds // 3600, seconds // 60 % 60, seconds % 60


def equatorial(y, mo, d, h, mi, s, zone, cubic=38710000):
    """Greenwich sidereal time, right ascension and declination at the local moment."""
    Y, M, D, hh, mm, ss = universal(y, mo, d, h, mi, s, zone)
    jd = julian_day(Y, M, D) + (mm / 60 + hh + ss / 3600) / 24
    n = jd - 2451545.0
    L = reduce(n * 0.9856474 + 280.46)
    g = reduce(n * 0.9856003 + 357.528)
    lam = reduce(1.915 * sind(g) + L + 0.02 * sind(2 * g))
    eps = 23.439 - 0.0000004 * n
    alpha = reduce(atan2d(sind(lam) * cosd(eps), cosd(lam)))
    delta = asind(sind(lam) * sind(eps))
    T = n / 36525
    theta = n * 360.98564736629 + 280.46061837 + 0.000387933 * math.pow(T, 2)
    theta = reduce(theta - math.pow(T, 3) / cubic)
    return theta, alpha, delta


def hour_angle(theta, alpha, lon):
    H = reduce(theta + lon) - alpha
    if H < -180:
        H = H + 360
    elif H > 180:
        H = H - 360
    return H


def raw_azimuth(H, delta, lat):
    """A, from north toward east, -180 to 180."""
    return atan2d(-sind(H), tand(delta) * cosd(lat) - sind(lat) * cosd(H))


def horizontal(H, delta, lat):
    """(azimuth, elevation) for an hour angle, a declination and a latitude; the azimuth is
    A + 360 rounded half to even (Python's round), then its remainder by 360."""
    elevation = asind(cosd(lat) * cosd(delta) * cosd(H) + sind(lat) * sind(delta))
    return float(round(raw_azimuth(H, delta, lat) + 360) % 360), elevation


def sun_position(y, mo, d, h, mi, s, lat, lon, zone, cubic=38710000):
    theta, alpha, delta = equatorial(y, mo, d, h, mi, s, zone, cubic)
    return horizontal(hour_angle(theta, alpha, lon), delta, lat)


# --- Angle of incidence and panel output --------------------------------------------------

def angle_of_incidence(sun_az, sun_el, panel_az, tilt):
    a, e, g, b = (deg_to_rad(v) for v in (sun_az, sun_el, panel_az, tilt))
    S = ((math.sin(a) * math.cos(e)) * (math.sin(g) * math.sin(b)) +
         (math.cos(a) * math.cos(e)) * (math.cos(g) * math.sin(b)) + math.sin(e) * math.cos(b))
    return acosd(min(max(S, -1.0), 1.0))


def aoi_to_production(aoi):
    return 0.0 if aoi >= 90 else 100 * math.pow(math.cos(deg_to_rad(aoi)), 1.5)


# --- Sunrise and sunset -----------------------------------------------------------------

def equation_of_time(n):
    B = (n - 81) * 6.28318 / 364
    return 9.87 * math.sin(2 * B) - 7.53 * math.cos(B) - 1.5 * math.sin(B)


def day_of_year(y, mo, d, h, mi, s, zone):
    Y, M, D = universal(y, mo, d, h, mi, s, zone)[:3]
    y1 = Y - 1
    a1 = trunc_div(y1, 100)
    b1 = 2 - a1 + trunc_div(a1, 4)
    jan1 = floor(365.25 * (y1 + 4716)) + floor(30.6001 * 14) + 1 + b1 - 1524.5
    return julian_day(Y, M, D) - jan1 + 1


def sunrise_sunset(y, mo, d, h, mi, s, lat, lon, zone):
    n = day_of_year(y, mo, d, h, mi, s, zone)
    Ma = float(round(n * 0.98560028 + 357.5291) % 360)
    Cn = 0.02 * sind(2 * Ma) + 1.9148 * sind(Ma) + 0.0003 * sind(3 * Ma)
    lam = float(round(Ma + 102.9372 + Cn + 180) % 360)
    delta = asind(sind(lam) * sind(23.44))
    omega = acosd(cosd(90.833) / (cosd(delta) * cosd(lat)) - tand(delta) * tand(lat))
    N = (720 - 4 * lon - equation_of_time(n)) / 60
    R = N - omega / 15
    S = omega / 15 + N
    day = floor(local_serial(y, mo, d, h, mi, s))
    return day + (R + zone) / 24, day + (S + zone) / 24


# --- Inputs at the hard places ------------------------------------------------------------

def nudge_until(value, good, steps=64):
    """The double nearest value, walking outward one unit in the last place at a time, for
    which good(v) holds."""
    up = down = value
    for _ in range(steps):
        for v in (up, down):
            if good(v):
                return v
        up, down = math.nextafter(up, math.inf), math.nextafter(down, -math.inf)
    raise AssertionError("no double found")


def longitude_for_sum(moment, total):
    """A longitude for which sidereal time plus longitude is exactly total."""
    theta = equatorial(*moment)[0]
    return nudge_until(total - theta, lambda lon: theta + lon == total)


def nadir_site(moment, H):
    """Latitude and longitude that put the sun at the nadir with an hour angle of exactly H
    (+-180): the azimuth then hangs on the sign of the tiny sine of H."""
    theta, alpha, delta = equatorial(*moment)
    lon = nudge_until(alpha + H - theta, lambda v: hour_angle(theta, alpha, v) == H)
    return -delta, lon


def latitude_for_half(moment, lat, lon, half):
    """A latitude near lat where A + 360 is exactly half (a whole number and a half)."""
    theta, alpha, delta = equatorial(*moment)
    H = hour_angle(theta, alpha, lon)
    f = lambda v: raw_azimuth(H, delta, v) + 360 - half
    lo, hi = lat - 5, lat + 5
    assert (f(lo) < 0) != (f(hi) < 0)
    while math.nextafter(lo, hi) != hi:
        mid = (lo + hi) / 2
        if (f(mid) < 0) == (f(lo) < 0):
            lo = mid
        else:
            hi = mid
    return nudge_until(lo, lambda v: raw_azimuth(H, delta, v) + 360 == half, 4096)


def sidereal_sensitive(moment, lat, lon):
    """The first moment from this one on, in steps of ten minutes, where a divisor of
    38710001 in the cubic term of sidereal time would move the elevation: the cubic term
    drifts by a thousandth of the sum's last place in about an hour."""
    y, mo, d, h, mi, s, zone = moment
    for k in range(20000):
        t = datetime.datetime(y, mo, d, h, mi, s) + datetime.timedelta(minutes=10 * k)
        m = (t.year, t.month, t.day, t.hour, t.minute, t.second, zone)
        if sun_position(*m[:6], lat, lon, zone) != sun_position(*m[:6], lat, lon, zone, 38710001):
            return m
    raise AssertionError("no sensitive moment")


# --- Output -----------------------------------------------------------------------------

def lit(x):
    """A C++ literal for the double x: short decimals where they are exact, else hex."""
    if isinstance(x, int):
        return str(x)
    if x == 0 and math.copysign(1, x) < 0:
        return "-0.0"
    if x == int(x) and abs(x) < 2 ** 53:
        return str(int(x))
    text = repr(x)
    if len(text) <= 10:
        return text
    mantissa, exponent = x.hex().split("p")
    return mantissa.rstrip("0").rstrip(".") + "p" + exponent


def row(*values):
    return "{" + ", ".join(lit(v) for v in values) + "},"


def emit(rows):
    """Rows indented for a table, as many to a line as fit in 100 columns; a row too long
    for one line breaks after a comma."""
    line = ""
    for r in rows:
        if line and len(line) + 1 + len(r) > 100:
            print(line)
            line = ""
        line = line + " " + r if line else "    " + r
        while len(line) > 100:
            cut = line.rindex(", ", 0, 100) + 1
            print(line[:cut])
            line = "     " + line[cut:]
    print(line)


def check_near(got, want, tolerance, what):
    assert abs(got - want) <= tolerance, f"{what}: {got} against {want}"


def check_times(pair, want, what):
    """Sunrise and sunset against (y, mo, d, h, mi, seconds) given to a tenth of a second."""
    for got, (y, mo, d, h, mi, sec) in zip(pair, want):
        check_near(got, local_serial(y, mo, d, h, mi, 0) + sec / 86400, 0.1 / 86400, what)


GENEVA = (2025, 7, 24, 14, 0, 0, 2)
KLAT, KLON = 46.205556, 6.154444


def site_rows():
    """(y, mo, d, h, mi, s, lat, lon, zone) of the SunPosition table."""
    sites = [
        GENEVA[:6] + (KLAT, KLON, 2),
        (2025, 1, 15, 9, 0, 0, 40.7128, -74.006, -5),
        (2025, 12, 21, 12, 0, 0, -33.9, 18.4, 2),
        (2025, 3, 20, 6, 0, 0, 0.0, 0.0, 0),
        GENEVA[:6] + (KLAT, KLON, 5.5),               # 08:30 UT
        (2025, 7, 24, 12, 46, 0, 19.076, 72.8777, 5.5),  # Mumbai near noon
        (2025, 3, 20, 12, 0, 0, 27.7172, 85.324, 5.75),  # Kathmandu
        (2025, 12, 21, 9, 15, 0, -43.95, -176.56, 12.75),  # Chatham, 20 December UT
        (2025, 6, 21, 16, 0, 0, 47.56, -52.71, -3.5),    # St. John's
        (2025, 7, 24, 12, 0, 0, KLAT, KLON, 0.01),     # 36 seconds east
        (2025, 1, 1, 0, 30, 0, KLAT, KLON, 1),       # universal time in the year before
        (2024, 2, 29, 23, 59, 59, -45.0, -170.0, -11),  # leap day, into 1 March
        (2024, 12, 31, 18, 17, 43, 90.0, 0.0, 0),    # pole
        (2024, 6, 21, 6, 7, 8, -90.0, 123.0, 9),
        (100, 1, 1, 0, 0, 0, 10.0, -20.0, -1),       # first moment of the calendar
        (9999, 12, 31, 23, 59, 59, -10.0, 160.0, 0),  # last second
    ]
    for moment, lat, lon in (((9999, 6, 15, 10, 0, 0, 0), 47.0, 8.0),
                             ((100, 3, 1, 9, 0, 0, 0), -30.0, 25.0)):
        m = sidereal_sensitive(moment, lat, lon)
        sites.append(m[:6] + (lat, lon, m[6]))
    # Local sidereal time exactly 0 and exactly 360 before its reduction, on a day whose
    # right ascension is small enough for 360 - alpha to round: a reduction that gave 360
    # in place of 0 would move the last digit of the hour angle and of the elevation.
    april = (2025, 4, 15, 10, 0, 0, 2)
    theta, alpha, delta = equatorial(*april)
    assert horizontal((360 - alpha) - 360, delta, KLAT) != horizontal(-alpha, delta, KLAT)
    sites.append(april[:6] + (KLAT, longitude_for_sum(april, 0.0), 2))
    sites.append(april[:6] + (KLAT, longitude_for_sum(april, 360.0), 2))
    # Hour angle exactly -180 (December, alpha above 180) and +180 (July) at the nadir.
    december = (2025, 12, 21, 12, 0, 0, 1)
    sites.append(december[:6] + nadir_site(december, -180.0) + (1,))
    sites.append(GENEVA[:6] + nadir_site(GENEVA, 180.0) + (2,))
    # Azimuths rounded from exact halves with an even whole part: 188.5 and 450.5.
    sites.append(GENEVA[:6] + (latitude_for_half(GENEVA, KLAT, KLON, 188.5), KLON, 2))
    morning = (2025, 3, 20, 7, 0, 0, 0)
    sites.append(morning[:6] + (latitude_for_half(morning, 2.0, 0.0, 450.5), 0.0, 0))
    return sites


def main():
    # The worked examples, to the digits they are given with.
    az, el = sun_position(*GENEVA[:6], KLAT, KLON, 2)
    assert az == 189
    check_near(el, 63.280, 5e-4, "Geneva elevation")
    check_near(sun_position(2025, 1, 15, 9, 0, 0, 40.7128, -74.006, -5)[1], 14.733, 5e-4, "NY")
    check_near(sun_position(2025, 3, 20, 6, 0, 0, 0, 0, 0)[1], -1.866, 5e-4, "equinox")
    assert julian_day(2000, 3, 1) == 2451604.5
    for y, mo, d in ((100, 1, 1), (1582, 10, 4), (1900, 2, 28), (2024, 2, 29), (9999, 12, 31)):
        assert julian_day(y, mo, d) == datetime.date(y, mo, d).toordinal() + 1721424.5
    assert sun_position(2025, 12, 21, 12, 0, 0, -33.9, 18.4, 2)[0] == 46
    check_near(sun_position(2025, 12, 21, 12, 0, 0, -33.9, 18.4, 2)[1], 75.703, 5e-4, "Cape")
    assert sun_position(*GENEVA[:6], KLAT, KLON, 5.5) == sun_position(2025, 7, 24, 8, 30, 0,
                                                                      KLAT, KLON, 0)
    assert sun_position(*GENEVA[:6], KLAT, KLON, 5.5)[0] == 108
    check_near(sun_position(*GENEVA[:6], KLAT, KLON, 5.5)[1], 42.855, 5e-4, "zone 5.5")
    check_near(sun_position(*GENEVA[:6], KLAT, KLON, 6)[1], 37.829, 5e-4, "zone 6")
    check_times(sunrise_sunset(*GENEVA[:6], KLAT, KLON, 2),
                ((2025, 7, 24, 6, 8, 13.1), (2025, 7, 24, 21, 14, 52.8)), "Geneva")
    check_times(sunrise_sunset(2025, 7, 24, 0, 0, 0, KLAT, KLON, 2),
                ((2025, 7, 24, 6, 7, 3.1), (2025, 7, 24, 21, 15, 59.99)), "date alone")
    check_times(sunrise_sunset(*GENEVA[:6], KLAT, KLON, 5.5),
                ((2025, 7, 24, 9, 38, 13.1), (2025, 7, 25, 0, 44, 52.8)), "zone 5.5")
    check_times(sunrise_sunset(2025, 3, 20, 12, 0, 0, 0, 0, 0),
                ((2025, 3, 20, 6, 4, 49.4), (2025, 3, 20, 18, 11, 29.2)), "equinox")
    check_times(sunrise_sunset(2025, 6, 21, 12, 0, 0, 78.2, 15.6, 2),
                ((2025, 6, 21, 0, 59, 6.0), (2025, 6, 22, 0, 59, 6.0)), "polar day")
    check_times(sunrise_sunset(2025, 12, 21, 12, 0, 0, 78.2, 15.6, 1),
                ((2025, 12, 21, 11, 56, 34.2), (2025, 12, 21, 11, 56, 34.2)), "polar night")
    assert day_of_year(2025, 1, 1, 0, 30, 0, 1) == 366 and day_of_year(2025, 1, 1, 12, 0, 0, 1) == 1
    assert equation_of_time(81) == -7.53
    check_near(equation_of_time(1), -3.607, 5e-4, "EoT(1)")
    check_near(angle_of_incidence(az, el, 151, 45), 28.099, 5e-4, "AOI 151/45")
    for aoi, want in ((45, 59.460), (60, 35.355), (89.9, 0.0073)):
        check_near(aoi_to_production(aoi), want, 5e-4, f"production {aoi}")
    for panel, want in (((151, 20), 16.151), ((331, 70), 91.573), ((151, 70), 50.324)):
        check_near(angle_of_incidence(az, el, *panel), want, 5e-4, f"AOI {panel}")

    print("// SunPosition: y, mo, d, h, mi, s, latitude, longitude, zone, azimuth, elevation")
    sites = site_rows()
    emit([row(*site, *sun_position(*site)) for site in sites])
    # Flipping the sign of an hour angle of exactly 180 moves the nadir rows' azimuths.
    for site in sites[-4:-2]:
        theta, alpha, delta = equatorial(*site[:6], site[8])
        H = hour_angle(theta, alpha, site[7])
        assert abs(H) == 180 and horizontal(H, delta, site[6]) != horizontal(-H, delta, site[6])

    print("// SunriseSunset: y, mo, d, h, mi, s, latitude, longitude, zone, sunrise, sunset")
    rows = []
    for site in [
        GENEVA[:6] + (KLAT, KLON, 2),
        (2025, 7, 24, 0, 0, 0, KLAT, KLON, 2),        # universal date 23 July
        GENEVA[:6] + (KLAT, KLON, 5.5),
        (2025, 7, 24, 5, 45, 0, 27.7172, 85.324, 5.75),  # 00:00 UT: the 24th, not the 23rd
        (2025, 1, 1, 0, 30, 0, KLAT, KLON, 1),        # 31 December 2024, n = 366
        (2025, 1, 1, 12, 0, 0, KLAT, KLON, 1),
        (2024, 2, 29, 12, 0, 0, -33.9, 18.4, 2),      # leap day
        (2025, 3, 20, 12, 0, 0, 0.0, 0.0, 0),         # equinox at the equator
        (2025, 6, 21, 12, 0, 0, 78.2, 15.6, 2),       # polar day
        (2025, 12, 21, 12, 0, 0, 78.2, 15.6, 1),      # polar night
        (2025, 9, 1, 23, 0, 0, 61.2, -149.9, -8.5),   # sunset after local midnight
        (2025, 3, 1, 6, 0, 0, 90.0, 0.0, 0),          # at the pole
        (100, 1, 1, 12, 0, 0, 0.0, 0.0, 0),
        (100, 3, 1, 12, 0, 0, 45.0, 0.0, 0),          # year 100 is not a leap year
        (9999, 12, 31, 12, 0, 0, 0.0, 0.0, 0),
    ]:
        rows.append(row(*site, *sunrise_sunset(*site)))
    emit(rows)

    print("// AngleOfIncidence: sun azimuth, sun elevation, panel azimuth, tilt, AOI")
    # The Geneva panels and the other examples; the sun on a panel's normal, where the last
    # bit of the cosine shows most in the angle; a cosine rounded past 1 or -1; a panel
    # across north, one facing down and one tilted backwards.
    aoi_rows = [(az, el, 151, 45), (az, el, 331, 20), (az, el, 151, 20), (az, el, 331, 70),
                (az, el, 151, 70), (189, 63.28, 275, 0), (123, 90, 200, 45),
                (az, el, az, 90 - el), (300, -30, 300, 70), (0, 30, 180, 90),
                (136, 14.733, 136, 75.3), (90, -1.866, 92, 91), (10, 80, 10, 10),
                (0, 0, 180, 90), (359, 45, 1, 45), (270, 5, 90, -30), (222, -12, 180, 135)]
    print(f"    const double el = {lit(el)};  // the Geneva elevation above")
    emit([row(*r, angle_of_incidence(*r)).replace(lit(el), "el") for r in aoi_rows])

    print("// AOIToProduction: AOI, percent")
    aois = [0, 1e-9, 10, 26.72, 28.099, 45, 60, 89, 89.9, 89.99999999,
            math.nextafter(90, 0), 90, 91.573, 180, -30]
    emit([row(a, aoi_to_production(a)) for a in aois])

    print("// JulianDay: Y, M, D, JD at 0 h")
    dates = [(2000, 2, 29), (2000, 3, 1), (2025, 7, 24), (1900, 2, 28), (1900, 3, 1),
             (1700, 3, 1), (1582, 10, 4), (100, 1, 1), (9999, 12, 31), (0, 3, 1), (-1, 3, 1),
             (-101, 3, 1), (-4713, 1, 1)]
    emit([row(*date, julian_day(*date)) for date in dates])

    print("// Degree trigonometry: argument(s), result")
    rows = []
    for name, args, value in [
            ("ASinD", (1,), asind(1)), ("ASinD", (1.5,), asind(1.5)),
            ("ASinD", (-1,), asind(-1)), ("ASinD", (-7,), asind(-7)),
            ("ASinD", (0.5,), asind(0.5)), ("ACosD", (1,), acosd(1)), ("ACosD", (2,), acosd(2)),
            ("ACosD", (-1,), acosd(-1)), ("ACosD", (-2,), acosd(-2)), ("ACosD", (0,), acosd(0)),
            ("ATan2D", (0, 0), atan2d(0, 0)), ("ATan2D", (1, 0), atan2d(1, 0)),
            ("ATan2D", (-1, 0), atan2d(-1, 0)), ("ATan2D", (0, -1), atan2d(0, -1)),
            ("ATan2D", (-0.0, -1), atan2d(-0.0, -1)), ("ATan2D", (1, 1), atan2d(1, 1)),
            ("ATan2D", (1, -1), atan2d(1, -1)), ("ATan2D", (-1, -1), atan2d(-1, -1)),
            ("DegToRad", (180,), deg_to_rad(180)), ("RadToDeg", (PI,), rad_to_deg(PI)),
            ("SinD", (180,), sind(180)), ("CosD", (90,), cosd(90)), ("TanD", (90,), tand(90))]:
        rows.append(f"{{{name}({', '.join(lit(a) for a in args)}), {lit(value)}}},")
    emit(rows)


if __name__ == "__main__":
    main()
