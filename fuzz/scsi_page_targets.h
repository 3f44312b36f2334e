// The SCSI decoders' fuzz targets (and the pass-through block's reader), one per decoder, built
// from one source (scsi_page_fuzz.cc) with KESTRINE_SCSI_TARGET naming its entry here; the seed
// maker gives each the replies of the bay's SAS disks that its decoder reads.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "bytes.h"
#include "scsi_pages.h"
#include "scsi_pass_through_block.h"

namespace kestrine::fuzzing {

// Which reply a target's seeds are: a log page (by code), a VPD page, or another reply.
enum class ScsiSeed { Inquiry, Vpd, Capacity, LogPage, IeMode, Defects, Reply };

struct ScsiPageTarget {
  const char* name;
  ScsiSeed seed;
  Byte page;  // the log page, for LogPage
  // Decodes the bytes; true when they gave a value.
  bool (*decode)(std::span<const Byte>);
};

inline constexpr std::array<ScsiPageTarget, 15> kScsiPageTargets{{
    {"scsi_inquiry_fuzz", ScsiSeed::Inquiry, 0,
     [](std::span<const Byte> d) { return DecodeStandardInquiry(d).has_value(); }},
    {"scsi_vpd_fuzz", ScsiSeed::Vpd, 0,
     [](std::span<const Byte> d) {
       // Every VPD decoder on the same bytes: each checks the page code itself.
       const bool list = DecodeVpdPageList(d).has_value();
       const bool serial = DecodeUnitSerial(d).has_value();
       const bool name = DecodeWorldWideName(d).has_value();
       const bool characteristics = DecodeBlockCharacteristics(d).has_value();
       return list || serial || name || characteristics;
     }},
    {"scsi_capacity_fuzz", ScsiSeed::Capacity, 0,
     [](std::span<const Byte> d) {
       const bool ten = DecodeReadCapacity10(d).has_value();
       const bool sixteen = DecodeReadCapacity16(d).has_value();
       return ten || sixteen;
     }},
    {"scsi_log_supported_fuzz", ScsiSeed::LogPage, 0x00,
     [](std::span<const Byte> d) { return DecodeSupportedLogPages(d).has_value(); }},
    {"scsi_log_error_counters_fuzz", ScsiSeed::LogPage, 0x03,
     [](std::span<const Byte> d) {
       return !d.empty() && DecodeErrorCounterPage(d, d[0] & 0x3F).has_value();
     }},
    {"scsi_log_non_medium_fuzz", ScsiSeed::LogPage, 0x06,
     [](std::span<const Byte> d) { return DecodeNonMediumErrors(d).has_value(); }},
    {"scsi_log_temperature_fuzz", ScsiSeed::LogPage, 0x0D,
     [](std::span<const Byte> d) { return DecodeTemperaturePage(d).has_value(); }},
    {"scsi_log_start_stop_fuzz", ScsiSeed::LogPage, 0x0E,
     [](std::span<const Byte> d) { return DecodeStartStopPage(d).has_value(); }},
    {"scsi_log_self_test_fuzz", ScsiSeed::LogPage, 0x10,
     [](std::span<const Byte> d) {
       const auto entries = DecodeSelfTestResults(d);
       // Never more entries than the page has room for.
       if (entries && entries->size() > d.size() / 20) __builtin_trap();
       return entries.has_value();
     }},
    {"scsi_log_ssd_media_fuzz", ScsiSeed::LogPage, 0x11,
     [](std::span<const Byte> d) { return DecodeEnduranceUsed(d).has_value(); }},
    {"scsi_log_background_scan_fuzz", ScsiSeed::LogPage, 0x15,
     [](std::span<const Byte> d) { return DecodeBackgroundScan(d).has_value(); }},
    {"scsi_log_ie_fuzz", ScsiSeed::LogPage, 0x2F,
     [](std::span<const Byte> d) { return DecodeInformationalExceptions(d).has_value(); }},
    {"scsi_ie_mode_fuzz", ScsiSeed::IeMode, 0,
     [](std::span<const Byte> d) { return DecodeIeControlPage(d).has_value(); }},
    {"scsi_defects_fuzz", ScsiSeed::Defects, 0,
     [](std::span<const Byte> d) {
       const bool ten = DecodeGrownDefects10(d).has_value();
       const bool twelve = DecodeGrownDefects12(d).has_value();
       return ten || twelve;
     }},
    {"scsi_pass_through_block_fuzz", ScsiSeed::Reply, 0,
     [](std::span<const Byte> d) {
       const auto reply = ReadScsiPassThroughBlock(d);
       // The sense and data lie within the bytes given.
       if (reply && (reply->data.size() > d.size() || reply->sense.size() > d.size())) {
         __builtin_trap();
       }
       // The strict reading gives exactly the command's length, or nothing.
       const ScsiCommand inquiry = DataInCommand(InquiryCdb(std::nullopt, 96), 96);
       const auto data = ReadScsiPassThroughData(d, static_cast<std::uint32_t>(d.size()), inquiry);
       if (data && data->size() != inquiry.length) __builtin_trap();
       return reply.has_value();
     }},
}};

}  // namespace kestrine::fuzzing
