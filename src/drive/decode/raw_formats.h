// Vendor raw formats: how some drives pack an attribute's six raw bytes, so that one number does
// not mislead. A small table matches a format by attribute id and model pattern; each entry names
// its public source. The attribute table's own cells and the verdict read the raw value as before;
// this decode is shown beside them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bytes.h"

namespace kestrine {

enum class RawFormat : std::uint8_t {
  ErrorsOverOperations,  // bytes 5-4 an error count, bytes 3-0 the operations it was counted over
  ThreeCounters,         // three 16-bit counters: bytes 5-4, 3-2 and 1-0
  TemperatureMinMax,     // byte 0 the current temperature, the lowest and highest packed beside it
  Units32MiB,            // a count of 32 MiB units
  Sectors512,            // a count of 512-byte sectors
};

// One entry of the table: the attribute, the models it holds for (a pattern of literal
// characters, '.', '[...]' classes with ranges, '(a|b)' groups, '|' between alternatives at the
// top, and '?' or '*' after any of those; the whole model must match; empty for every model).
struct RawFormatEntry {
  Byte id = 0;
  std::string_view models;
  RawFormat format = RawFormat::ErrorsOverOperations;
};

// A raw value decoded: its parts by name and a short text of them; `bytes` for a count of units.
struct DecodedRaw {
  RawFormat format = RawFormat::ErrorsOverOperations;
  std::vector<std::pair<std::string_view, std::int64_t>> parts;
  std::optional<Counter128> bytes;
  std::string text;
  bool operator==(const DecodedRaw&) const = default;
};

// The format for an attribute of a model: the first entry of the table that matches, if any.
std::optional<RawFormat> RawFormatFor(Byte id, std::string_view model);

// Decodes the six raw bytes (lowest first) by the model's format for the attribute; nullopt where
// the table has none. A packed temperature whose other bytes fit no known layout gives the
// current temperature alone.
std::optional<DecodedRaw> DecodeRawValue(Byte id, std::string_view model,
                                         std::span<const Byte, 6> raw);

// The decode of the raw bytes in one format.
DecodedRaw DecodeRawAs(RawFormat format, std::span<const Byte, 6> raw);

// Whether the whole of `text` matches `pattern` (the syntax above); false for a text of 64
// characters or more.
bool ModelMatches(std::string_view pattern, std::string_view text);

}  // namespace kestrine
