#include "scsi_pages.h"

#include <algorithm>

namespace kestrine {

namespace {

// The bytes as text up to the first zero byte, without the spaces around them.
std::string Trimmed(std::span<const Byte> bytes) {
  std::string text(bytes.begin(), std::find(bytes.begin(), bytes.end(), Byte{0}));
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool AllFf(std::span<const Byte> bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](Byte b) { return b == 0xFF; });
}

const LogParameter* FindParameter(const std::vector<LogParameter>& parameters, std::uint16_t code) {
  const auto it = std::find_if(parameters.begin(), parameters.end(),
                               [code](const LogParameter& p) { return p.code == code; });
  return it == parameters.end() ? nullptr : &*it;
}

// A byte of a parameter's value, where the value holds it.
std::optional<Byte> ValueByte(const LogParameter* parameter, std::size_t at) {
  if (parameter == nullptr || parameter->value.size() <= at) return std::nullopt;
  return parameter->value[at];
}

std::optional<std::uint32_t> Counter32(const LogParameter* parameter) {
  if (parameter == nullptr || parameter->value.size() < 4) return std::nullopt;
  const std::span<const Byte> value = parameter->value.first(4);
  if (AllFf(value)) return std::nullopt;
  return ReadBe32(value, 0);
}

std::optional<Byte> Temperature(std::optional<Byte> value) {
  if (value == scsi_log::kTemperatureNotAvailable) return std::nullopt;
  return value;
}

std::optional<std::uint32_t> GrownDefects(std::span<const Byte> data, std::size_t header,
                                          std::uint32_t length) {
  using namespace scsi_defect;
  if (data.size() < header || (data[kFlags] & kListsMask) != kGrownListValid) return std::nullopt;
  std::uint32_t descriptor = 0;
  switch (data[kFlags] & kFormatMask) {
    case 0:  // short block
      descriptor = 4;
      break;
    case 1:  // extended bytes from index
    case 2:  // extended physical sector
    case 3:  // long block
    case 4:  // bytes from index
    case 5:  // physical sector
      descriptor = 8;
      break;
    default:  // vendor specific or reserved: the size of an entry is not known
      return std::nullopt;
  }
  return length / descriptor;
}

}  // namespace

std::optional<ScsiInquiry> DecodeStandardInquiry(std::span<const Byte> data) {
  using namespace scsi_inquiry;
  if (data.size() < kMinimumSize) return std::nullopt;
  ScsiInquiry inquiry;
  inquiry.peripheral_type = data[kPeripheral] & kDeviceTypeMask;
  inquiry.qualifier = static_cast<Byte>(data[kPeripheral] >> kQualifierShift);
  inquiry.removable = (data[kRemovable] & kRemovableBit) != 0;
  inquiry.version = data[kVersion];
  inquiry.vendor = Trimmed(data.subspan(kVendor, kVendorSize));
  inquiry.product = Trimmed(data.subspan(kProduct, kProductSize));
  inquiry.revision = Trimmed(data.subspan(kRevision, kRevisionSize));
  return inquiry;
}

std::optional<std::span<const Byte>> VpdPageBody(std::span<const Byte> data, Byte page) {
  using namespace scsi_vpd;
  if (data.size() < kHeaderSize || data[kPageCode] != page) return std::nullopt;
  const std::size_t length = ReadBe16(data, kPageLength);
  if (length > data.size() - kHeaderSize) return std::nullopt;
  return data.subspan(kHeaderSize, length);
}

std::optional<std::vector<Byte>> DecodeVpdPageList(std::span<const Byte> data) {
  const auto body = VpdPageBody(data, scsi_vpd::kSupportedPages);
  if (!body) return std::nullopt;
  return std::vector<Byte>(body->begin(), body->end());
}

std::optional<std::string> DecodeUnitSerial(std::span<const Byte> data) {
  const auto body = VpdPageBody(data, scsi_vpd::kUnitSerialNumber);
  if (!body) return std::nullopt;
  return Trimmed(*body);
}

std::optional<std::string> DecodeWorldWideName(std::span<const Byte> data) {
  using namespace scsi_vpd;
  const auto body = VpdPageBody(data, kDeviceIdentification);
  if (!body) return std::nullopt;
  std::optional<std::span<const Byte>> naa;
  std::optional<std::span<const Byte>> eui;
  for (std::size_t at = 0; at + kDesignatorHeaderSize <= body->size();) {
    const std::size_t length = (*body)[at + kDesignatorLength];
    if (length > body->size() - at - kDesignatorHeaderSize) return std::nullopt;
    const Byte kind = (*body)[at + kDesignatorKind];
    const std::span<const Byte> designator = body->subspan(at + kDesignatorHeaderSize, length);
    if ((kind & kAssociationMask) == 0 && length != 0) {
      if ((kind & kDesignatorTypeMask) == kDesignatorNaa && !naa) naa = designator;
      if ((kind & kDesignatorTypeMask) == kDesignatorEui64 && !eui) eui = designator;
    }
    at += kDesignatorHeaderSize + length;
  }
  const std::optional<std::span<const Byte>> chosen = naa ? naa : eui;
  if (!chosen) return std::nullopt;
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text = "0x";
  for (const Byte b : *chosen) {
    text += kDigits[b >> 4];
    text += kDigits[b & 0x0F];
  }
  return text;
}

std::optional<ScsiBlockCharacteristics> DecodeBlockCharacteristics(std::span<const Byte> data) {
  using namespace scsi_vpd;
  const auto body = VpdPageBody(data, kBlockCharacteristics);
  if (!body || data.size() < kBlockCharacteristicsMinimum ||
      body->size() < kBlockCharacteristicsMinimum - kHeaderSize) {
    return std::nullopt;
  }
  ScsiBlockCharacteristics characteristics;
  const std::uint16_t rate = ReadBe16(data, kRotationRate);
  // 0 is "not reported"; 0002h-0400h and FFFFh are reserved.
  if (rate == kNonRotating || (rate > 0x0400 && rate != 0xFFFF)) {
    characteristics.rotation_rate = rate;
  }
  characteristics.form_factor = data[kFormFactor] & kFormFactorMask;
  return characteristics;
}

std::optional<ScsiCapacity> DecodeReadCapacity10(std::span<const Byte> data) {
  using namespace scsi_capacity;
  if (data.size() < kSize10) return std::nullopt;
  const std::uint32_t last = ReadBe32(data, kLastLba10);
  if (last == kLastLba10TooLarge) return std::nullopt;
  return ScsiCapacity{std::uint64_t{last} + 1, ReadBe32(data, kBlockLength10)};
}

std::optional<ScsiCapacity> DecodeReadCapacity16(std::span<const Byte> data) {
  using namespace scsi_capacity;
  if (data.size() < kSize16) return std::nullopt;
  const std::uint64_t last = ReadBe64(data, kLastLba16);
  if (last == UINT64_MAX) return std::nullopt;
  return ScsiCapacity{last + 1, ReadBe32(data, kBlockLength16)};
}

std::optional<std::vector<LogParameter>> ReadLogParameters(std::span<const Byte> data, Byte page) {
  using namespace scsi_log;
  if (data.size() < kHeaderSize || (data[kPageCode] & kPageCodeMask) != page) return std::nullopt;
  const std::size_t length = ReadBe16(data, kPageLength);
  if (length > data.size() - kHeaderSize) return std::nullopt;
  const std::span<const Byte> body = data.subspan(kHeaderSize, length);
  std::vector<LogParameter> parameters;
  for (std::size_t at = 0; at < body.size();) {
    if (body.size() - at < kParameterHeaderSize) return std::nullopt;
    const std::size_t value_length = body[at + kParameterLength];
    if (value_length > body.size() - at - kParameterHeaderSize) return std::nullopt;
    parameters.push_back(LogParameter{ReadBe16(body, at + kParameterCode),
                                      body.subspan(at + kParameterHeaderSize, value_length)});
    at += kParameterHeaderSize + value_length;
  }
  return parameters;
}

std::optional<std::uint64_t> LogCounter(std::span<const Byte> value) {
  if (value.empty() || AllFf(value)) return std::nullopt;
  const std::size_t extra = value.size() > 8 ? value.size() - 8 : 0;
  if (std::any_of(value.begin(), value.begin() + static_cast<std::ptrdiff_t>(extra),
                  [](Byte b) { return b != 0; })) {
    return std::nullopt;
  }
  return ReadBe(value, extra, value.size() - extra);
}

std::optional<std::vector<Byte>> DecodeSupportedLogPages(std::span<const Byte> data) {
  using namespace scsi_log;
  if (data.size() < kHeaderSize || (data[kPageCode] & kPageCodeMask) != kSupportedPages) {
    return std::nullopt;
  }
  const std::size_t length = ReadBe16(data, kPageLength);
  if (length > data.size() - kHeaderSize) return std::nullopt;
  std::vector<Byte> pages;
  for (const Byte code : data.subspan(kHeaderSize, length)) {
    pages.push_back(code & kPageCodeMask);
  }
  return pages;
}

std::optional<ScsiErrorCounters> DecodeErrorCounterPage(std::span<const Byte> data, Byte page) {
  const auto parameters = ReadLogParameters(data, page);
  if (!parameters) return std::nullopt;
  ScsiErrorCounters counters;
  for (const LogParameter& p : *parameters) {
    if (p.code < counters.counters.size()) counters.counters[p.code] = LogCounter(p.value);
  }
  return counters;
}

std::optional<std::uint64_t> DecodeNonMediumErrors(std::span<const Byte> data) {
  const auto parameters = ReadLogParameters(data, scsi_log::kNonMediumErrors);
  if (!parameters) return std::nullopt;
  const LogParameter* count = FindParameter(*parameters, 0x0000);
  return count == nullptr ? std::nullopt : LogCounter(count->value);
}

std::optional<ScsiTemperature> DecodeTemperaturePage(std::span<const Byte> data) {
  using namespace scsi_log;
  const auto parameters = ReadLogParameters(data, kTemperature);
  if (!parameters) return std::nullopt;
  return ScsiTemperature{
      Temperature(ValueByte(FindParameter(*parameters, kCurrentTemperature), kTemperatureValue)),
      Temperature(ValueByte(FindParameter(*parameters, kReferenceTemperature), kTemperatureValue))};
}

std::optional<ScsiStartStop> DecodeStartStopPage(std::span<const Byte> data) {
  using namespace scsi_log;
  const auto parameters = ReadLogParameters(data, kStartStopCycles);
  if (!parameters) return std::nullopt;
  return ScsiStartStop{Counter32(FindParameter(*parameters, kSpecifiedCycles)),
                       Counter32(FindParameter(*parameters, kAccumulatedCycles)),
                       Counter32(FindParameter(*parameters, kSpecifiedLoadUnload)),
                       Counter32(FindParameter(*parameters, kAccumulatedLoadUnload))};
}

std::optional<std::vector<ScsiSelfTestEntry>> DecodeSelfTestResults(std::span<const Byte> data) {
  using namespace scsi_log;
  const auto parameters = ReadLogParameters(data, kSelfTestResults);
  if (!parameters) return std::nullopt;
  std::vector<ScsiSelfTestEntry> entries;
  for (const LogParameter& p : *parameters) {
    if (p.code == 0 || p.code > kSelfTestEntries) continue;
    // An entry shorter than its layout is no entry this program can read: the page is not read.
    if (p.value.size() < kSelfTestValueSize) return std::nullopt;
    const std::span<const Byte> v = p.value;
    if (std::all_of(v.begin(), v.begin() + kSelfTestValueSize, [](Byte b) { return b == 0; })) {
      continue;
    }
    ScsiSelfTestEntry entry;
    entry.parameter = p.code;
    entry.code = static_cast<Byte>(v[kSelfTestCodeAndResult] >> kSelfTestCodeShift);
    entry.result = v[kSelfTestCodeAndResult] & kSelfTestResultMask;
    entry.number = v[kSelfTestNumber];
    entry.power_on_hours = ReadBe16(v, kSelfTestHours);
    if (!AllFf(v.subspan(kSelfTestFailureLba, 8))) {
      entry.first_failure_lba = ReadBe64(v, kSelfTestFailureLba);
    }
    entry.sense_key = v[kSelfTestSenseKey] & 0x0F;
    entry.asc = v[kSelfTestAsc];
    entry.ascq = v[kSelfTestAscq];
    entries.push_back(entry);
  }
  return entries;
}

std::optional<Byte> DecodeEnduranceUsed(std::span<const Byte> data) {
  using namespace scsi_log;
  const auto parameters = ReadLogParameters(data, kSolidStateMedia);
  if (!parameters) return std::nullopt;
  return ValueByte(FindParameter(*parameters, kEnduranceIndicator), kEnduranceValue);
}

std::optional<ScsiBackgroundScan> DecodeBackgroundScan(std::span<const Byte> data) {
  using namespace scsi_log;
  const auto parameters = ReadLogParameters(data, kBackgroundScan);
  if (!parameters) return std::nullopt;
  const LogParameter* status = FindParameter(*parameters, kBackgroundScanStatus);
  if (status == nullptr || status->value.size() < kScanStatusSize) return std::nullopt;
  const std::span<const Byte> v = status->value;
  ScsiBackgroundScan scan;
  if (!AllFf(v.subspan(kScanPowerOnMinutes, 4))) {
    scan.power_on_minutes = ReadBe32(v, kScanPowerOnMinutes);
  }
  scan.status = v[kScanStatus];
  scan.scans_performed = ReadBe16(v, kScansPerformed);
  scan.progress = ReadBe16(v, kScanProgress);
  scan.medium_scans_performed = ReadBe16(v, kMediumScansPerformed);
  scan.medium_scan_entries = static_cast<std::size_t>(
      std::count_if(parameters->begin(), parameters->end(), [](const LogParameter& p) {
        return p.code >= kFirstMediumScanEntry && p.code <= kLastMediumScanEntry;
      }));
  return scan;
}

std::optional<ScsiInformationalException> DecodeInformationalExceptions(
    std::span<const Byte> data) {
  using namespace scsi_log;
  const auto parameters = ReadLogParameters(data, kInformationalExceptions);
  if (!parameters) return std::nullopt;
  const LogParameter* ie = FindParameter(*parameters, kInformationalException);
  const std::optional<Byte> asc = ValueByte(ie, kIeAsc);
  const std::optional<Byte> ascq = ValueByte(ie, kIeAscq);
  if (!asc || !ascq) return std::nullopt;
  return ScsiInformationalException{*asc, *ascq, Temperature(ValueByte(ie, kIeTemperature))};
}

std::optional<ScsiIeControl> DecodeIeControlPage(std::span<const Byte> data) {
  using namespace scsi_mode;
  if (data.size() < kHeaderSize) return std::nullopt;
  // The mode data length counts the bytes after its own two.
  const std::size_t end = std::min<std::size_t>(data.size(), ReadBe16(data, kDataLength) + 2u);
  const std::size_t page = kHeaderSize + ReadBe16(data, kBlockDescriptorLength);
  if (page + kMrie >= end) return std::nullopt;
  if ((data[page + kPageCode] & scsi_log::kPageCodeMask) != kInformationalExceptionsControl ||
      data[page + kPageLength] < kMrie - 1) {
    return std::nullopt;
  }
  const Byte flags = data[page + kIeFlags];
  return ScsiIeControl{(flags & kDexcpt) != 0, (flags & kTest) != 0,
                       static_cast<Byte>(data[page + kMrie] & kMrieMask)};
}

std::optional<std::uint32_t> DecodeGrownDefects10(std::span<const Byte> data) {
  using namespace scsi_defect;
  if (data.size() < kHeaderSize10) return std::nullopt;
  return GrownDefects(data, kHeaderSize10, ReadBe16(data, kLength10));
}

std::optional<std::uint32_t> DecodeGrownDefects12(std::span<const Byte> data) {
  using namespace scsi_defect;
  if (data.size() < kHeaderSize12) return std::nullopt;
  return GrownDefects(data, kHeaderSize12, ReadBe32(data, kLength12));
}

}  // namespace kestrine
