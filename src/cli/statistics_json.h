// The JSON document's statistics of a drive and the decode of a raw value: numbers, and null for
// what the drive did not give or did not mark valid.
#pragma once

#include <nlohmann/json.hpp>

#include "reading.h"

namespace kestrine {

// The reading's `statistics` object; null when the drive gave none.
nlohmann::ordered_json StatisticsJson(const DriveReading& reading);

// An item's `decoded` object: the raw value by the vendor format the model has for it; null
// where it has none.
nlohmann::ordered_json DecodedRawJson(const DriveReading& reading, const HealthItem& item);

}  // namespace kestrine
