// The wear-out projection over a history of endurance used.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "wear_projection.h"

namespace kestrine {
namespace {

constexpr std::int64_t kDay = 24 * 3600;
constexpr std::int64_t kStart = 1'700'000'000;

TEST(WearProjection, OneTable) {
  struct Case {
    const char* what;
    std::vector<WearPoint> points;
    std::optional<WearProjection> projection;
  };
  const std::vector<Case> cases = {
      {"1 % a day from 10 %: 90 days on",
       {{kStart, 10}, {kStart + 15 * kDay, 25}, {kStart + 30 * kDay, 40}},
       WearProjection{kStart + 90 * kDay, 1.0}},
      {"in any order, scattered about the line",
       {{kStart + 40 * kDay, 60.5}, {kStart, 20}, {kStart + 20 * kDay, 39.5}},
       WearProjection{kStart + 80 * kDay, 1.0125}},
      {"29 days are too few", {{kStart, 10}, {kStart + 29 * kDay, 40}}, std::nullopt},
      {"no wear", {{kStart, 10}, {kStart + 60 * kDay, 10}}, std::nullopt},
      {"falling", {{kStart, 10}, {kStart + 60 * kDay, 5}}, std::nullopt},
      {"one point", {{kStart, 10}}, std::nullopt},
      {"written bytes of a rated 600 TB",
       {{kStart, PercentOfRatedEndurance(60e12, 600e12)},
        {kStart + 100 * kDay, PercentOfRatedEndurance(120e12, 600e12)}},
       WearProjection{kStart + 900 * kDay, 0.1}},
  };
  for (const Case& c : cases) {
    const auto projection = ProjectWearOut(c.points);
    ASSERT_EQ(projection.has_value(), c.projection.has_value()) << c.what;
    if (!projection) continue;
    EXPECT_NEAR(projection->worn_out_at, c.projection->worn_out_at, kDay) << c.what;
    EXPECT_NEAR(projection->percent_per_day, c.projection->percent_per_day, 1e-3) << c.what;
  }
}

}  // namespace
}  // namespace kestrine
