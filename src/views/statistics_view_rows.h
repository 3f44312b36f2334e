// The rows of the Statistics view: what the drive tells of its use and temperatures (its
// DriveStatistics), the wear-out the history projects, and the raw values decoded by the vendor
// formats of raw_formats.h. Pure: the window appends the rows, kestrine-cli writes them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "raw_formats.h"
#include "reading.h"
#include "wear_projection.h"

namespace kestrine {

// Bytes as decimal terabytes with two decimals and the exact count: "1.02 TB (1024000000000
// bytes)".
std::string BytesText(const Counter128& bytes);

// The six raw bytes of an ATA health item, lowest first.
std::array<Byte, 6> RawBytes(const HealthItem& item);

// The decode of each ATA health item whose raw value the reading's model has a format for, in
// the items' order.
struct DecodedItem {
  const HealthItem* item = nullptr;
  DecodedRaw decoded;
};
std::vector<DecodedItem> DecodedRawValues(const DriveReading& reading);

// Item and value of each statistic the reading holds (none shown that the drive did not mark
// valid), then the projected wear-out where there is one, then one row per decoded raw value.
std::vector<std::vector<std::string>> StatisticsViewRows(
    const DriveReading& reading, const std::optional<WearProjection>& wear_out = std::nullopt);

}  // namespace kestrine
