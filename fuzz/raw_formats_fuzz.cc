// The vendor raw formats on any attribute id, raw bytes and model, and the model pattern matcher
// on any pattern and text:
//   byte 0      the attribute id
//   bytes 1-6   the raw bytes
//   then        the model, up to a zero byte; after it, a pattern matched against the model
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "raw_formats.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kestrine::fuzzing::InputReader input(data, size);
  const kestrine::Byte id = input.Next();
  std::array<kestrine::Byte, 6> raw{};
  input.Fill(raw);
  const std::vector<std::uint8_t> rest = input.Rest();
  const auto zero = std::find(rest.begin(), rest.end(), 0);
  const std::string model(rest.begin(), zero);
  const std::string pattern(zero == rest.end() ? zero : zero + 1, rest.end());

  const auto decoded = kestrine::DecodeRawValue(id, model, raw);
  if (decoded) {
    if (decoded->text.empty() || decoded->text.size() > 80) std::abort();
    // Every format names its current or counted value first.
    if (decoded->parts.empty()) std::abort();
  }
  for (const kestrine::RawFormat format :
       {kestrine::RawFormat::ErrorsOverOperations, kestrine::RawFormat::ThreeCounters,
        kestrine::RawFormat::TemperatureMinMax, kestrine::RawFormat::Units32MiB,
        kestrine::RawFormat::Sectors512}) {
    const kestrine::DecodedRaw as = kestrine::DecodeRawAs(format, raw);
    if (as.format != format) std::abort();
  }
  // A pattern matches itself where it holds no special character.
  const bool literal = pattern.find_first_of(".[]()|?*\\") == std::string::npos;
  if (literal && pattern.size() < 64 && !kestrine::ModelMatches(pattern, pattern)) std::abort();
  kestrine::ModelMatches(pattern, model);
  return 0;
}
