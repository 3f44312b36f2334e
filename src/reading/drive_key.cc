#include "drive_key.h"

#include <algorithm>
#include <array>
#include <span>

#include "identify_layout.h"
#include "nvme_layout.h"
#include "text_format.h"

namespace kestrine {

namespace {

bool Blank(std::string_view text) {
  return std::ranges::all_of(text, [](char c) { return c == ' ' || c == '\0'; });
}

// The bytes as hexadecimal digits, in their order; empty when every byte is zero.
std::string Name(std::span<const Byte> bytes) {
  if (std::ranges::all_of(bytes, [](Byte b) { return b == 0; })) return {};
  std::string text;
  for (const Byte b : bytes) text += UpperHex(b, 2);
  return text;
}

std::string WorldWideName(const DriveReading& reading) {
  return std::visit(
      PerFamily{
          [](const NoFamilyPart&) { return std::string(); },
          [](const AtaPart& part) {
            if (!part.blocks) return std::string();
            // Four words, the most significant first, each as a 16-bit number.
            std::array<Byte, 8> wwn{};
            for (std::size_t i = 0; i < 4; ++i) {
              const std::uint16_t word =
                  ReadLe16(part.blocks->identify, (identify_word::kWorldWideName + i) * 2);
              wwn[i * 2] = static_cast<Byte>(word >> 8);
              wwn[i * 2 + 1] = static_cast<Byte>(word & 0xFF);
            }
            std::string name = Name(wwn);
            return name.empty() ? name : "WWN " + name;
          },
          [](const NvmePart& part) {
            if (!part.blocks) return std::string();
            const std::span<const Byte> block(part.blocks->namespace_data);
            if (std::string eui = Name(block.subspan(nvme_namespace::kEui64, 8)); !eui.empty())
              return "EUI64 " + eui;
            if (std::string nguid = Name(block.subspan(nvme_namespace::kNguid, 16)); !nguid.empty())
              return "NGUID " + nguid;
            return std::string();
          },
          [](const ScsiPart& part) {
            return part.health.wwn ? "WWN " + *part.health.wwn : std::string();
          },
      },
      reading.part);
}

}  // namespace

DriveKey KeyOf(const DriveReading& reading, std::string_view path) {
  DriveKey key{reading.identity.model, reading.identity.serial};
  if (!Blank(key.serial)) return key;
  key.serial = WorldWideName(reading);
  if (key.serial.empty()) key.serial = "at " + std::string(path);
  return key;
}

}  // namespace kestrine
