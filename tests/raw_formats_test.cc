// The vendor raw formats: the captured drives' packed values, laid-out bytes of the families
// none of them is, and the model patterns.
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "identify_decode.h"
#include "raw_formats.h"
#include "smart_layout.h"
#include "test_paths.h"

namespace kestrine {
namespace {

std::array<Byte, 6> RawOf(std::uint64_t value) {
  std::array<Byte, 6> raw{};
  for (std::size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<Byte>(value >> (8 * i));
  return raw;
}

std::optional<std::string> DecodedText(Byte id, const std::string& model, std::uint64_t raw) {
  const auto decoded = DecodeRawValue(id, model, RawOf(raw));
  if (!decoded) return std::nullopt;
  return decoded->text;
}

TEST(RawFormats, CapturedDrives) {
  KESTRINE_REQUIRE_CAPTURED();
  struct Case {
    const char* drive;
    Byte id;
    std::optional<std::string> text;
  };
  const std::vector<Case> cases = {
      {"FUJITSU_MHY2120BH--0084000D", 194, "28 (lowest 15, highest 54)"},  // 1C 00 0F 00 36 00
      {"FUJITSU_MHY2120BH--0085000B", 194, "34 (lowest -1, highest 47)"},  // 22 00 FF FF 2F 00
      {"TOSHIBA_MK1651GSY--38IGT0G5T", 194, "41 (lowest 15, highest 53)"},
      {"ST9100821AS--3.CME", 190, "34 (lowest 34, highest 34)"},  // 22 00 22 22 00 00
      {"ST9100821AS--3.CME", 194, "34"},                          // 22 00 00 00 14 00: no layout
      {"ST9160821AS--3.CLH", 190, "38"},                          // 26 00 25 26 28 4E
      {"SAMSUNG_HD501LJ--CR100-12", 194, "47"},
      {"INTEL_SSDSA2CW120G3--4PC10302", 241, "27514634240 bytes"},  // 820 units of 32 MiB
      {"INTEL_SSDSA2CW120G3--4PC10302", 242, "155491237888 bytes"},
      {"TOSHIBA_MK1651GSY--38IGT0G5T", 241, std::nullopt},  // no format for this model
      {"ST320410A--3.39", 7, std::nullopt},
  };
  for (const Case& c : cases) {
    const DriveImage image = testing::CapturedImage(c.drive);
    const std::string model = DecodeIdentifySector(image.identify).Model;
    std::optional<std::string> text = "no attribute";
    for (std::size_t i = 0; i < smart_entry::kCount; ++i) {
      const std::size_t at = smart_entry::kFirst + smart_entry::kSize * i;
      if (image.smart_data[at] != c.id) continue;
      const auto raw = std::span(image.smart_data).subspan(at + smart_entry::kRaw).first<6>();
      const auto decoded = DecodeRawValue(c.id, model, raw);
      text = decoded ? std::optional(decoded->text) : std::nullopt;
    }
    EXPECT_EQ(text, c.text) << c.drive << " " << int{c.id};
  }
}

TEST(RawFormats, LaidOutValues) {
  // Seagate's 188: three timeout counters, 4295032833 = 0001 0001 0001h.
  EXPECT_EQ(DecodedText(188, "ST2000DM001-1CH164", 4295032833), "1 1 1");
  EXPECT_EQ(DecodedText(7, "ST1000DM003-1CH162", 0x0001'33423729),
            "1 errors in 859977513 operations");
  EXPECT_EQ(DecodedText(241, "Samsung SSD 850 EVO 250GB", 1000), "512000 bytes");
  const auto decoded = DecodeRawValue(1, "ST9500420ASG", RawOf(0x0002'00000010));
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->parts, (std::vector<std::pair<std::string_view, std::int64_t>>{
                                {"errors", 2}, {"operations", 16}}));
}

TEST(RawFormats, ModelPatterns) {
  struct Case {
    const char* pattern;
    const char* model;
    bool matches;
  };
  const std::string long_model(64, 'a');
  const std::vector<Case> cases = {
      {"ST9(160412|250410)ASG?", "ST9250410ASG", true},
      {"ST9(160412|250410)ASG?", "ST9250410AS", true},
      {"ST9(160412|250410)ASG?", "ST9250410ASGG", false},
      {"INTEL SSDSA[12][BCN][WT](040|120)G3[ADHL]?", "INTEL SSDSA2CW120G3", true},
      {"Samsung SSD 8[4-7]0 EVO .*|X", "Samsung SSD 870 EVO 1TB", true},
      {"Samsung SSD 8[4-7]0 EVO .*|X", "Samsung SSD 880 EVO 1TB", false},
      {"Samsung SSD 8[4-7]0 EVO .*|X", "X", true},
      {"(ab", "ab", true},
      {".*", long_model.c_str(), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ModelMatches(c.pattern, c.model), c.matches) << c.pattern << " / " << c.model;
  }
}

}  // namespace
}  // namespace kestrine
