// The ATA counters the program watches, written once: the verdict warns at any non-zero count of
// those it judges, the monitor tells a rise of every one of them, and the history keeps their
// highest values and lists their changes.
#pragma once

#include <algorithm>
#include <array>

namespace kestrine {

// Counters of bad or troubled sectors and failed operations: reallocated sectors (5), spin
// retries (10), end-to-end errors (184), reported uncorrectable errors (187), command timeouts
// (188), reallocation events (196), pending sectors (197), offline uncorrectable sectors (198),
// multi-zone errors (201). Any non-zero count is a warning.
inline constexpr std::array<int, 9> kJudgedAtaCounters = {5, 10, 184, 187, 188, 196, 197, 198, 201};

// UltraDMA CRC errors: a fault of the cable or connector, not of the disk. Its rise is told as
// information; it judges nothing.
inline constexpr int kCableErrorCounter = 199;

// Every ATA counter whose rise is told, in id order.
inline constexpr std::array<int, kJudgedAtaCounters.size() + 1> kToldAtaCounters = [] {
  std::array<int, kJudgedAtaCounters.size() + 1> ids{};
  std::ranges::copy(kJudgedAtaCounters, ids.begin());
  ids.back() = kCableErrorCounter;
  std::ranges::sort(ids);
  return ids;
}();

constexpr bool IsJudgedAtaCounter(int id) {
  return std::ranges::find(kJudgedAtaCounters, id) != kJudgedAtaCounters.end();
}

constexpr bool IsToldAtaCounter(int id) {
  return std::ranges::find(kToldAtaCounters, id) != kToldAtaCounters.end();
}

}  // namespace kestrine
