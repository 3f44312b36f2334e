#include "raw_formats.h"

#include <cstddef>

#include "nvme_decode.h"

namespace kestrine {

namespace {

// The table. The model patterns are smartmontools' drivedb.h patterns for the families named
// (smartmontools 7.5, drivedb/drivedb.h), where the formats below are that file's presets.
constexpr std::string_view kSeagateBarracuda =
    // "Seagate Barracuda 7200.14 (AF)", both entries: -v 1,raw24/raw32 -v 7,raw24/raw32
    // -v 188,raw16 -v 195,raw24/raw32.
    "ST(1000|1500|2000|2500|3000)DM00[0-3]-.*|ST(250|320|500|750)DM00[0-3]-.*|"
    // "Seagate BarraCuda 3.5 (CMR)" and "(SMR)": the same presets.
    "ST(500DM009|1000DM010|2000DM00[67]|3000DM00[89]|4000DM005)-.*|"
    "ST(2000DM00[58]|3000DM007|[48]000DM004|6000DM003)-.*|"
    // "Seagate Momentus 7200.4": the same presets.
    "ST9(160412|250410|320423|500420)ASG?";
// "Intel 320 Series SSDs" and "Intel 330/335 Series SSDs": -v 241,raw48,Host_Writes_32MiB
// -v 242,raw48,Host_Reads_32MiB.
constexpr std::string_view kIntel32MiB =
    "INTEL SSDSA[12][BCN][WT](040|080|120|160|300|600)G3[ADHL]?|INTEL "
    "SSDSC2CT(060|120|180|240)A[34]";
// "Samsung based SSDs" (840/850/860/870): 241 and 242 keep the default Total_LBAs_Written and
// Total_LBAs_Read, counted in 512-byte sectors.
constexpr std::string_view kSamsungLbas =
    "Samsung SSD 8[4-7]0 EVO .*|Samsung SSD 8[56]0 PRO .*|Samsung SSD 840 (PRO )?Series";

constexpr std::array kRawFormats = {
    RawFormatEntry{1, kSeagateBarracuda, RawFormat::ErrorsOverOperations},
    RawFormatEntry{7, kSeagateBarracuda, RawFormat::ErrorsOverOperations},
    RawFormatEntry{188, kSeagateBarracuda, RawFormat::ThreeCounters},
    // The DEFAULT entry of drivedb.h: -v 190,tempminmax -v 194,tempminmax, for every model.
    RawFormatEntry{190, "", RawFormat::TemperatureMinMax},
    RawFormatEntry{194, "", RawFormat::TemperatureMinMax},
    RawFormatEntry{195, kSeagateBarracuda, RawFormat::ErrorsOverOperations},
    RawFormatEntry{241, kIntel32MiB, RawFormat::Units32MiB},
    RawFormatEntry{241, kSamsungLbas, RawFormat::Sectors512},
    RawFormatEntry{242, kIntel32MiB, RawFormat::Units32MiB},
    RawFormatEntry{242, kSamsungLbas, RawFormat::Sectors512},
};

// The pattern matcher: the set of text positions reached, one bit each (so texts stay below 64
// characters), carried through the pattern atom by atom.
using Positions = std::uint64_t;
constexpr std::size_t kMaxText = 63;

Positions Alternatives(std::string_view pattern, std::string_view text, Positions from);

// The end of the atom at the front of `pattern` ('(' to its ')', '[' to its ']', '\' and the
// character after it, or one character); pattern.size() for one left open.
std::size_t AtomEnd(std::string_view pattern) {
  if (pattern[0] == '\\') return std::min<std::size_t>(2, pattern.size());
  if (pattern[0] == '[') {
    const std::size_t close = pattern.find(']', 1);
    return close == std::string_view::npos ? pattern.size() : close + 1;
  }
  if (pattern[0] != '(') return 1;
  int depth = 0;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '(') ++depth;
    if (pattern[i] == ')' && --depth == 0) return i + 1;
  }
  return pattern.size();
}

bool ClassHolds(std::string_view set, char c) {
  for (std::size_t i = 0; i < set.size(); ++i) {
    if (i + 2 < set.size() && set[i + 1] == '-') {
      if (set[i] <= c && c <= set[i + 2]) return true;
      i += 2;
    } else if (set[i] == c) {
      return true;
    }
  }
  return false;
}

// The positions after one atom, from each of `from`.
Positions Step(std::string_view atom, std::string_view text, Positions from) {
  if (atom[0] == '(') {
    const std::size_t inner = atom.back() == ')' ? atom.size() - 2 : atom.size() - 1;
    return Alternatives(atom.substr(1, inner), text, from);
  }
  Positions to = 0;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if ((from & (Positions{1} << at)) == 0) continue;
    const char c = text[at];
    bool holds = false;
    if (atom[0] == '[') {
      holds = ClassHolds(atom.substr(1, atom.size() - (atom.back() == ']' ? 2 : 1)), c);
    } else if (atom[0] == '\\') {
      holds = atom.size() > 1 && atom[1] == c;
    } else {
      holds = atom[0] == '.' || atom[0] == c;
    }
    if (holds) to |= Positions{1} << (at + 1);
  }
  return to;
}

Positions Sequence(std::string_view pattern, std::string_view text, Positions from) {
  while (!pattern.empty() && from != 0) {
    const std::size_t end = AtomEnd(pattern);
    const std::string_view atom = pattern.substr(0, end);
    const char quantifier = end < pattern.size() ? pattern[end] : '\0';
    if (quantifier == '?') {
      from |= Step(atom, text, from);
    } else if (quantifier == '*') {
      for (Positions reached = from;;) {
        reached = Step(atom, text, reached) & ~from;
        if (reached == 0) break;
        from |= reached;
      }
    } else {
      from = Step(atom, text, from);
    }
    pattern.remove_prefix(quantifier == '?' || quantifier == '*' ? end + 1 : end);
  }
  return from;
}

Positions Alternatives(std::string_view pattern, std::string_view text, Positions from) {
  Positions to = 0;
  int depth = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '\\') {
      ++i;
      continue;
    }
    if (c == '(') ++depth;
    if (c == ')') --depth;
    if (c == '|' && depth == 0) {
      to |= Sequence(pattern.substr(start, i - start), text, from);
      start = i + 1;
    }
  }
  // The last alternative, also where a group was left open.
  return to | Sequence(pattern.substr(start), text, from);
}

std::uint64_t Word(std::span<const Byte, 6> raw, std::size_t word) {
  return ReadLe16(raw, 2 * word);
}

// Whether the two bytes, as signed temperatures in either order, are a plausible lowest and
// highest around the current one.
std::optional<std::pair<int, int>> LowestAndHighest(int current, Byte a, Byte b) {
  int lowest = static_cast<std::int8_t>(a);
  int highest = static_cast<std::int8_t>(b);
  if (lowest > highest) std::swap(lowest, highest);
  // -1 and 0 (or below) are an unset pair (FFh FFh, FFh 00h), not temperatures.
  if (lowest < -60 || highest > 120 || current < lowest || current > highest ||
      (lowest == -1 && highest <= 0)) {
    return std::nullopt;
  }
  return std::pair{lowest, highest};
}

// A 16-bit word that holds a small temperature: a byte and its sign extension.
bool TemperatureWord(std::uint64_t word) {
  return word <= 0xFF || word >= 0xFF80;
}

// The lowest and highest temperature packed beside the current one in byte 0. The layouts the
// drives use (smartmontools' atacmds.cpp lists them): 00 00 HH LL xx TT (Maxtor, Samsung,
// Seagate, Toshiba), 00 00 00 HH LL TT (WDC), xx HH xx LL xx TT (Hitachi; Kingston the other way
// round) and CC CC HH LL xx TT (WDC, CC an over-temperature count), tried in that order.
std::optional<std::pair<int, int>> PackedRange(std::span<const Byte, 6> raw) {
  const int current = static_cast<std::int8_t>(raw[0]);
  if (!TemperatureWord(Word(raw, 0))) return std::nullopt;
  if (Word(raw, 2) == 0) {
    if (Word(raw, 1) == 0) return std::nullopt;
    if (auto range = LowestAndHighest(current, raw[2], raw[3])) return range;
    if (raw[3] == 0) return LowestAndHighest(current, raw[1], raw[2]);
    return std::nullopt;
  }
  if (TemperatureWord(Word(raw, 1)) && TemperatureWord(Word(raw, 2))) {
    if (auto range = LowestAndHighest(current, raw[2], raw[4])) return range;
  }
  if (Word(raw, 2) < 0x7FFF) {
    const auto range = LowestAndHighest(current, raw[2], raw[3]);
    if (range && range->second >= 40) return range;
  }
  return std::nullopt;
}

}  // namespace

bool ModelMatches(std::string_view pattern, std::string_view text) {
  if (text.size() > kMaxText) return false;
  return (Alternatives(pattern, text, Positions{1}) & (Positions{1} << text.size())) != 0;
}

std::optional<RawFormat> RawFormatFor(Byte id, std::string_view model) {
  // The model as IDENTIFY pads it may carry spaces around it.
  const std::size_t first = model.find_first_not_of(' ');
  model = first == std::string_view::npos
              ? std::string_view()
              : model.substr(first, model.find_last_not_of(' ') + 1 - first);
  for (const RawFormatEntry& entry : kRawFormats) {
    if (entry.id == id && (entry.models.empty() || ModelMatches(entry.models, model))) {
      return entry.format;
    }
  }
  return std::nullopt;
}

DecodedRaw DecodeRawAs(RawFormat format, std::span<const Byte, 6> raw) {
  DecodedRaw decoded;
  decoded.format = format;
  const std::uint64_t value = ReadLe48(raw, 0);
  auto number = [](std::int64_t n) { return std::to_string(n); };
  switch (format) {
    case RawFormat::ErrorsOverOperations: {
      const auto errors = static_cast<std::int64_t>(value >> 32);
      const auto operations = static_cast<std::int64_t>(value & 0xFFFFFFFF);
      decoded.parts = {{"errors", errors}, {"operations", operations}};
      decoded.text = number(errors) + " errors in " + number(operations) + " operations";
      break;
    }
    case RawFormat::ThreeCounters: {
      const auto high = static_cast<std::int64_t>(Word(raw, 2));
      const auto middle = static_cast<std::int64_t>(Word(raw, 1));
      const auto low = static_cast<std::int64_t>(Word(raw, 0));
      decoded.parts = {{"bytes 5-4", high}, {"bytes 3-2", middle}, {"bytes 1-0", low}};
      decoded.text = number(high) + " " + number(middle) + " " + number(low);
      break;
    }
    case RawFormat::TemperatureMinMax: {
      const int current = static_cast<std::int8_t>(raw[0]);
      decoded.parts = {{"current", current}};
      decoded.text = number(current);
      if (const auto range = PackedRange(raw)) {
        decoded.parts.emplace_back("lowest", range->first);
        decoded.parts.emplace_back("highest", range->second);
        decoded.text +=
            " (lowest " + number(range->first) + ", highest " + number(range->second) + ")";
      }
      break;
    }
    case RawFormat::Units32MiB:
    case RawFormat::Sectors512: {
      const int shift = format == RawFormat::Units32MiB ? 25 : 9;
      decoded.parts = {{"units", static_cast<std::int64_t>(value)}};
      decoded.bytes = Counter128{value << shift, value >> (64 - shift)};
      decoded.text = DecimalText(*decoded.bytes) + " bytes";
      break;
    }
  }
  return decoded;
}

std::optional<DecodedRaw> DecodeRawValue(Byte id, std::string_view model,
                                         std::span<const Byte, 6> raw) {
  const std::optional<RawFormat> format = RawFormatFor(id, model);
  if (!format) return std::nullopt;
  return DecodeRawAs(*format, raw);
}

}  // namespace kestrine
