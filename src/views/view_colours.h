// The colours the views paint: the condition label's and the Attributes view's rows.
#pragma once

#include <cstdint>

namespace kestrine {

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  bool operator==(const Rgb&) const = default;
};

inline constexpr Rgb kGreen{0, 255, 0};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kOrange{255, 128, 0};
inline constexpr Rgb kWindowBackground{255, 255, 255};  // a list view's normal background

}  // namespace kestrine
