// Reading the storage-property query's reply: the descriptor's texts, the bus and the record.
#include "storage_property.h"

#include <optional>
#include <string_view>

#include "storage_bus.h"

namespace kestrine {

namespace {

bool IsPrintable(Byte c) {
  return c >= 0x20 && c <= 0x7E;
}

bool IsBlank(char c) {
  return c == '\t' || c == '\r' || c == ' ';
}

std::optional<Byte> HexDigitValue(Byte c) {
  if (c >= 'A' && c <= 'Z') c = static_cast<Byte>(c - 'A' + 'a');
  if (c >= '0' && c <= '9') return static_cast<Byte>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<Byte>(c - 'a' + 10);
  return std::nullopt;
}

// Drivers report some serial numbers as hexadecimal digits, two per character. Decodes the
// whole text that way, or gives nullopt when it is not such a text. A decoded zero byte ends the
// text; a final unpaired digit is dropped.
std::optional<std::string> DecodeHexText(std::span<const Byte> text) {
  std::string decoded;
  bool ended = false;
  std::optional<Byte> high;
  for (const Byte c : text) {
    const std::optional<Byte> digit = HexDigitValue(c);
    if (!digit) return std::nullopt;
    if (!high) {
      high = digit;
      continue;
    }
    const auto value = static_cast<Byte>((*high << 4) | *digit);
    high.reset();
    if (value != 0 && !IsPrintable(value)) return std::nullopt;
    if (value == 0) ended = true;
    if (!ended) decoded += static_cast<char>(value);
  }
  return decoded;
}

// Copies the text when every character is printable, else gives the empty text.
std::string CopyPrintableText(std::span<const Byte> text) {
  std::string copied;
  for (const Byte c : text) {
    if (!IsPrintable(c)) return {};
    copied += static_cast<char>(c);
  }
  return copied;
}

// Cuts the text to its stretch from the first to the last non-blank character; a text of blanks
// only is kept as it is.
std::string TrimBlanks(std::string text) {
  std::size_t first = 0;
  while (first < text.size() && IsBlank(text[first])) ++first;
  if (first == text.size()) return text;
  std::size_t last = text.size();
  while (IsBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

// A field of the descriptor's fixed part; zero when the reply ends before it.
std::uint32_t FieldLe32(std::span<const Byte> reply, std::size_t at) {
  return at + 4 <= reply.size() ? ReadLe32(reply, at) : 0;
}

}  // namespace

std::string ExtractDescriptorText(std::span<const Byte> reply, std::uint32_t offset) {
  // The offset comes from the driver: only a positive one inside the reply names a text.
  if (static_cast<std::int32_t>(offset) <= 0 || offset >= reply.size()) return {};
  std::span<const Byte> text = reply.subspan(offset);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == 0) {
      text = text.first(i);
      break;
    }
  }
  std::optional<std::string> decoded = DecodeHexText(text);
  return TrimBlanks(decoded ? std::move(*decoded) : CopyPrintableText(text));
}

std::string BusTypeName(std::uint32_t bus_type) {
  const std::uint32_t low = bus_type & 0xFF;
  return std::string(low < kBusTypeNames.size() ? kBusTypeNames[low] : kBusTypeNames[0]);
}

TDisk_Property ParseStorageDeviceDescriptor(std::span<const Byte> reply) {
  using namespace storage_descriptor;
  TDisk_Property property;
  property.VendorId = ExtractDescriptorText(reply, FieldLe32(reply, kVendorIdOffset));
  property.ProductId = ExtractDescriptorText(reply, FieldLe32(reply, kProductIdOffset));
  property.ProductRevision = ExtractDescriptorText(reply, FieldLe32(reply, kProductRevisionOffset));
  property.SerialNumber = ExtractDescriptorText(reply, FieldLe32(reply, kSerialNumberOffset));
  property.RemovableMedia = kRemovableMedia < reply.size() && reply[kRemovableMedia] != 0;
  property.BusType = BusTypeName(FieldLe32(reply, kBusType));
  return property;
}

}  // namespace kestrine
