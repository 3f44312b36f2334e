// When a drive will have used its rated endurance: a straight line fitted through the history of
// its percentage used (or of its bytes written, as a percentage of the endurance the user rates
// it for), and the time at which that line reaches 100 %.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kestrine {

// One reading: seconds since 1970 and the endurance used then, in percent.
struct WearPoint {
  std::int64_t time = 0;
  double percent_used = 0;
};

struct WearProjection {
  std::int64_t worn_out_at = 0;  // seconds since 1970 when the line reaches 100 %
  double percent_per_day = 0;    // the slope it used
  bool operator==(const WearProjection&) const = default;
};

// The history must span at least this long for a projection.
inline constexpr std::int64_t kWearProjectionMinimumSeconds = 30 * 24 * 3600;

// The least-squares line through the points (in any order) and where it reaches 100 %; none
// for points spanning less than 30 days, a slope that is not positive, or a date beyond what
// the time type holds.
std::optional<WearProjection> ProjectWearOut(std::span<const WearPoint> points);

// The projection as it is shown: the day (UTC) and the slope it used, "2029-03-01 (0.0123 % a
// day)"; a day past the year 9999 is shown as "after 9999".
std::string WearOutText(const WearProjection& projection);

// Bytes written as a percentage of a rated endurance in bytes (0 when none is rated).
double PercentOfRatedEndurance(double bytes_written, double rated_bytes);

}  // namespace kestrine
