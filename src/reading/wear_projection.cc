#include "wear_projection.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace kestrine {

namespace {

constexpr double kSecondsPerDay = 24 * 3600;
constexpr double kWornOut = 100;

}  // namespace

std::optional<WearProjection> ProjectWearOut(std::span<const WearPoint> points) {
  if (points.size() < 2) return std::nullopt;
  const auto [first, last] =
      std::minmax_element(points.begin(), points.end(),
                          [](const WearPoint& a, const WearPoint& b) { return a.time < b.time; });
  if (last->time - first->time < kWearProjectionMinimumSeconds) return std::nullopt;
  // Times in days from the earliest point, so that the sums stay well inside a double's
  // precision.
  const auto n = static_cast<double>(points.size());
  double mean_day = 0;
  double mean_percent = 0;
  for (const WearPoint& point : points) {
    mean_day += static_cast<double>(point.time - first->time) / kSecondsPerDay / n;
    mean_percent += point.percent_used / n;
  }
  double covariance = 0;
  double variance = 0;
  for (const WearPoint& point : points) {
    const double day = static_cast<double>(point.time - first->time) / kSecondsPerDay - mean_day;
    covariance += day * (point.percent_used - mean_percent);
    variance += day * day;
  }
  const double slope = covariance / variance;
  if (!std::isfinite(slope) || slope <= 0) return std::nullopt;
  const double worn_day = mean_day + (kWornOut - mean_percent) / slope;
  const double worn_at = static_cast<double>(first->time) + worn_day * kSecondsPerDay;
  // Within the time type, with room to spare for what formats it.
  constexpr double kLimit = static_cast<double>(std::numeric_limits<std::int64_t>::max() / 2);
  if (!std::isfinite(worn_at) || std::fabs(worn_at) > kLimit) return std::nullopt;
  return WearProjection{static_cast<std::int64_t>(std::llround(worn_at)), slope};
}

std::string WearOutText(const WearProjection& projection) {
  // Days since 1970 to a civil date (proleptic Gregorian), without the C library's time types,
  // whose range differs between platforms.
  const std::int64_t days = projection.worn_out_at >= 0
                                ? projection.worn_out_at / 86400
                                : -((-projection.worn_out_at + 86399) / 86400);
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
  const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  // The numbers without printf's 64-bit formats, which not every platform's C library knows.
  const auto padded = [](std::int64_t number, std::size_t width) {
    std::string digits = std::to_string(number);
    return std::string(digits.size() < width ? width - digits.size() : 0, '0') + digits;
  };
  char slope[64];
  std::snprintf(slope, sizeof slope, " (%.4f %% a day)", projection.percent_per_day);
  if (year > 9999) return "after 9999" + std::string(slope);
  return padded(year, 4) + "-" + padded(month, 2) + "-" + padded(day, 2) + slope;
}

double PercentOfRatedEndurance(double bytes_written, double rated_bytes) {
  return rated_bytes > 0 ? bytes_written / rated_bytes * kWornOut : 0;
}

}  // namespace kestrine
