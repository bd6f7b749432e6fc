// The geometry must run without touching the heap. This program replaces the global
// operator new to count its calls, which is why it is built on its own.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "geometry/calendar.h"
#include "geometry/module1.h"

static std::atomic<bool> counting{false};
static std::atomic<long> allocations{0};

void* operator new(std::size_t size) {
  if (counting.load()) allocations.fetch_add(1);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

TEST(NoAllocation, GeometryPath) {
  using namespace halvessa::geometry;
  double checksum = 0;
  counting = true;
  ::operator delete(::operator new(16));  // the one allocation: the counter itself works
  for (int i = 0; i < 500; ++i) {
    const double local = halvessa::DateSerial(2025, 1, 1) + i * 0.73;
    const double lat = i % 180 - 89.5, lon = i * 0.7 - 175, zone = i % 27 * 0.5 - 6;
    double azimuth = 0, elevation = 0, sunrise = 0, sunset = 0;
    SunPosition(local, lat, lon, zone, azimuth, elevation);
    SunriseSunset(local, lat, lon, zone, sunrise, sunset);
    checksum += elevation + sunrise + sunset +
                AOIToProduction(AngleOfIncidence(azimuth, elevation, 180.0 + i % 90, i % 90));
  }
  counting = false;
  EXPECT_EQ(allocations.load(), 1);
  EXPECT_TRUE(checksum == checksum);  // keeps the work observable
}
