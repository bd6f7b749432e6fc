// The solar geometry: degree trigonometry, the sun's position, the angle of incidence on a
// panel and its production, sunrise and sunset. Plain functions without state; every angle
// is in degrees unless a routine says radians, every moment is a day serial (calendar.h).
//
// The routines follow their algorithms step by step and name each quantity as the algorithm
// does (L, g, lambda, epsilon, alpha, delta, theta, H, ...). Operation order matters for the
// last digits and is kept exactly.
#pragma once

namespace halvessa::geometry {

// The conversion constant: the fifteen-digit literal, not the platform's pi.
inline constexpr double kPi = 3.14159265358979;

// --- Degree trigonometry ---------------------------------------------------------------
double DegToRad(const double& x);  // x * pi / 180, multiplication first
double RadToDeg(const double& x);  // x * 180 / pi, multiplication first
double SinD(const double& x);
double CosD(const double& x);
double TanD(const double& x);
double ASinD(const double& x);              // -90..90, saturating outside [-1, 1]
double ACosD(const double& x);              // 0..180, saturating outside [-1, 1]
double ATan2D(const double& y, const double& x);  // -180..180 by its own quadrant rules

// --- Sun position ----------------------------------------------------------------------
// Julian day at 0 h UT of the calendar date Y-M-D (January and February taken as months 13
// and 14 of the year before; integer divisions truncate toward zero; Int is the floor).
double JulianDay(int Y, int M, int D);

// Sun azimuth (whole degrees 0..359, from north toward east) and geometric elevation for a
// local day serial, a site and a time zone in hours east. Writes Elevation, then Azimuth.
// Throws halvessa::CalendarRangeError when universal time leaves years 100 to 9999.
void SunPosition(const double& LocalTime, const double& Latitude, const double& Longitude,
                 const double& TimeZone, double& Azimuth, double& Elevation);

// The whole-degree azimuth of SunPosition's last step: A (-180..180, from north toward
// east) plus 360, rounded half to even, its remainder divided by 360.
double WholeAzimuth(const double& A);

// --- Angle of incidence and panel output -------------------------------------------------
double Clamp(const double& Value, const double& Low, const double& High);

// Angle between the sun's direction and the panel's normal, 0..180.
double AngleOfIncidence(const double& SunAzimuth, const double& SunElevation,
                        const double& PanelAzimuth, const double& PanelTilt);

// 100 * cos(AOI)^1.5 for an AOI below 90, else 0.
double AOIToProduction(const double& AOI);

// --- Sunrise and sunset ----------------------------------------------------------------
// Equation of time in minutes for day of the year n.
double EquationOfTime(const double& DayOfYear);

// Day of the year (1 on 1 January) of the universal date of LocalTime, as SunriseSunset
// takes it: LocalTime less the zone's offset to the second, its time of day ignored. Throws
// halvessa::CalendarRangeError when that date leaves years 100 to 9999.
double SunriseDayOfYear(const double& LocalTime, const double& TimeZone);

// Local sunrise and sunset (day serials) of the local day of LocalTime. Writes Sunrise, then
// Sunset. Throws halvessa::CalendarRangeError when a date leaves years 100 to 9999.
void SunriseSunset(const double& LocalTime, const double& Latitude, const double& Longitude,
                   const double& TimeZone, double& Sunrise, double& Sunset);

}  // namespace halvessa::geometry
