// Looking at a built request block in the tests of its builder: its first bytes, and whether
// everything after the fields a test set is still zero.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "bytes.h"

namespace kestrine::testing {

inline std::vector<Byte> Head(std::span<const Byte> block, std::size_t n) {
  return std::vector<Byte>(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(n));
}

inline bool AllZeroFrom(std::span<const Byte> block, std::size_t from) {
  for (std::size_t i = from; i < block.size(); ++i) {
    if (block[i] != 0) return false;
  }
  return true;
}

}  // namespace kestrine::testing
