#include "scsi_image_builder.h"

#include <algorithm>
#include <array>

#include "scsi_layout.h"
#include "sim_bay.h"

namespace kestrine {

namespace {

constexpr Byte kBinaryCumulative = 0x03;  // parameter control: binary list format, TSD clear
constexpr std::size_t kStandardInquirySize = 96;
constexpr Byte kSpc4 = 0x06;
constexpr Byte kResponseFormat2 = 0x02;
constexpr std::size_t kAdditionalLength = 4;

void Put(std::vector<Byte>& bytes, std::size_t at, std::string_view text, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) bytes[at + i] = i < text.size() ? text[i] : ' ';
}

std::vector<Byte> StandardInquiry(std::string_view vendor, std::string_view product,
                                  std::string_view revision) {
  using namespace scsi_inquiry;
  std::vector<Byte> data(kStandardInquirySize, Byte{0});
  data[kPeripheral] = kDirectAccessBlockDevice;
  data[kVersion] = kSpc4;
  data[3] = kResponseFormat2;
  data[kAdditionalLength] = static_cast<Byte>(kStandardInquirySize - kAdditionalLength - 1);
  Put(data, kVendor, vendor, kVendorSize);
  Put(data, kProduct, product, kProductSize);
  Put(data, kRevision, revision, kRevisionSize);
  return data;
}

std::vector<Byte> VpdPage(Byte page, std::span<const Byte> body) {
  std::vector<Byte> data(scsi_vpd::kHeaderSize, Byte{0});
  data[scsi_vpd::kPageCode] = page;
  WriteBe16(data, scsi_vpd::kPageLength, static_cast<std::uint16_t>(body.size()));
  data.insert(data.end(), body.begin(), body.end());
  return data;
}

// Page 83h: the logical unit's NAA designator, then the target port's (which names the port, not
// the disk, and so is not the disk's world wide name).
std::vector<Byte> DeviceIdentification(std::uint64_t naa, std::uint64_t port) {
  std::vector<Byte> body;
  for (const auto& [kind, value] : {std::pair<Byte, std::uint64_t>{0x03, naa}, {0x93, port}}) {
    std::array<Byte, 12> d{0x61, kind, 0x00, 0x08};
    WriteBe64(d, scsi_vpd::kDesignatorHeaderSize, value);
    body.insert(body.end(), d.begin(), d.end());
  }
  return VpdPage(scsi_vpd::kDeviceIdentification, body);
}

std::vector<Byte> BlockCharacteristics(std::uint16_t rate, Byte form_factor) {
  std::vector<Byte> body(0x3C, Byte{0});
  WriteBe16(body, scsi_vpd::kRotationRate - scsi_vpd::kHeaderSize, rate);
  body[scsi_vpd::kFormFactor - scsi_vpd::kHeaderSize] = form_factor;
  return VpdPage(scsi_vpd::kBlockCharacteristics, body);
}

struct ErrorCounts {
  std::uint64_t fast = 0;
  std::uint64_t delayed = 0;
  std::uint64_t rereads = 0;
  std::uint64_t corrected = 0;
  std::uint64_t invocations = 0;
  std::uint64_t bytes = 0;
  std::uint64_t uncorrected = 0;
};

std::vector<Byte> ErrorCounterPage(Byte page, const ErrorCounts& c) {
  std::vector<Byte> data = LogPageHeader(page);
  const std::array<std::uint64_t, 7> values{c.fast,        c.delayed, c.rereads,    c.corrected,
                                            c.invocations, c.bytes,   c.uncorrected};
  for (std::uint16_t code = 0; code < values.size(); ++code) {
    AppendLogCounter(data, code, values[code], code == 5 ? 8 : 4);
  }
  SetLogPageLength(data);
  return data;
}

std::vector<Byte> TemperaturePage(Byte current, Byte reference) {
  std::vector<Byte> data = LogPageHeader(scsi_log::kTemperature);
  AppendLogParameter(data, scsi_log::kCurrentTemperature, std::array<Byte, 2>{0, current});
  AppendLogParameter(data, scsi_log::kReferenceTemperature, std::array<Byte, 2>{0, reference});
  SetLogPageLength(data);
  return data;
}

std::vector<Byte> StartStopPage(std::uint32_t specified, std::uint32_t accumulated,
                                std::uint32_t specified_load, std::uint32_t accumulated_load) {
  std::vector<Byte> data = LogPageHeader(scsi_log::kStartStopCycles);
  AppendLogParameter(data, 0x0001, std::array<Byte, 6>{'2', '0', '2', '1', '1', '4'});
  AppendLogParameter(data, 0x0002, std::array<Byte, 6>{' ', ' ', ' ', ' ', ' ', ' '});
  AppendLogCounter(data, scsi_log::kSpecifiedCycles, specified);
  AppendLogCounter(data, scsi_log::kAccumulatedCycles, accumulated);
  AppendLogCounter(data, scsi_log::kSpecifiedLoadUnload, specified_load);
  AppendLogCounter(data, scsi_log::kAccumulatedLoadUnload, accumulated_load);
  SetLogPageLength(data);
  return data;
}

std::vector<Byte> EmptySelfTestPage() {
  std::vector<Byte> data = LogPageHeader(scsi_log::kSelfTestResults);
  const std::array<Byte, scsi_log::kSelfTestValueSize> empty{};
  for (std::uint16_t code = 1; code <= scsi_log::kSelfTestEntries; ++code) {
    AppendLogParameter(data, code, empty);
  }
  SetLogPageLength(data);
  return data;
}

std::vector<Byte> InformationalExceptionsPage(Byte asc, Byte ascq, Byte temperature) {
  std::vector<Byte> data = LogPageHeader(scsi_log::kInformationalExceptions);
  AppendLogParameter(data, scsi_log::kInformationalException,
                     std::array<Byte, 4>{asc, ascq, temperature, 0});
  SetLogPageLength(data);
  return data;
}

std::vector<Byte> IeControlPage(Byte mrie) {
  std::vector<Byte> page(12, Byte{0});
  page[scsi_mode::kPageCode] = scsi_mode::kInformationalExceptionsControl;
  page[scsi_mode::kPageLength] = 0x0A;
  page[scsi_mode::kMrie] = mrie;
  return page;
}

ScsiDiskImage CommonDisk(std::string_view vendor, std::string_view product,
                         std::string_view revision, std::string_view serial, std::uint64_t naa) {
  ScsiDiskImage disk;
  disk.inquiry = StandardInquiry(vendor, product, revision);
  disk.vpd[scsi_vpd::kUnitSerialNumber] =
      VpdPage(scsi_vpd::kUnitSerialNumber,
              std::span<const Byte>(reinterpret_cast<const Byte*>(serial.data()), serial.size()));
  disk.vpd[scsi_vpd::kDeviceIdentification] = DeviceIdentification(naa, naa + 1);
  disk.log[scsi_log::kSelfTestResults] = EmptySelfTestPage();
  disk.ie_control = IeControlPage(4);  // MRIE 4: unconditionally generate recovered error
  return disk;
}

DriveImage WithDisk(ScsiDiskImage disk, std::string vendor, std::string product,
                    std::string revision, std::string serial) {
  DriveImage image;
  image.vendor = std::move(vendor);
  image.product = std::move(product);
  image.revision = std::move(revision);
  image.serial = std::move(serial);
  image.bus_type = BusType::Sas;
  image.scsi = std::move(disk);
  return image;
}

}  // namespace

std::vector<Byte> LogPageHeader(Byte page) {
  return std::vector<Byte>{page, 0x00, 0x00, 0x00};
}

void SetLogPageLength(std::vector<Byte>& page) {
  WriteBe16(page, scsi_log::kPageLength,
            static_cast<std::uint16_t>(page.size() - scsi_log::kHeaderSize));
}

void AppendLogParameter(std::vector<Byte>& page, std::uint16_t code, std::span<const Byte> value) {
  const std::array<Byte, 4> header{static_cast<Byte>(code >> 8), static_cast<Byte>(code),
                                   kBinaryCumulative, static_cast<Byte>(value.size())};
  page.insert(page.end(), header.begin(), header.end());
  page.insert(page.end(), value.begin(), value.end());
}

void AppendLogCounter(std::vector<Byte>& page, std::uint16_t code, std::uint64_t value,
                      std::size_t size) {
  std::array<Byte, 8> bytes{};
  WriteBe(bytes, 0, size, value);
  AppendLogParameter(page, code, std::span<const Byte>(bytes.data(), size));
}

void AddScsiSelfTestEntry(std::vector<Byte>& page, Byte code, Byte result,
                          std::uint16_t power_on_hours) {
  using namespace scsi_log;
  constexpr std::size_t kParameter = kParameterHeaderSize + kSelfTestValueSize;
  if (page.size() < kHeaderSize + kParameter * kSelfTestEntries) return;
  const auto first = page.begin() + static_cast<std::ptrdiff_t>(kHeaderSize);
  std::copy_backward(first, first + kParameter * (kSelfTestEntries - 1),
                     first + kParameter * kSelfTestEntries);
  const std::span<Byte> value(page.data() + kHeaderSize + kParameterHeaderSize, kSelfTestValueSize);
  std::fill(value.begin(), value.end(), Byte{0});
  value[kSelfTestCodeAndResult] = static_cast<Byte>((code << kSelfTestCodeShift) | result);
  // The number of the segment that failed; 0 for a test without error.
  value[kSelfTestNumber] = result == 0 ? 0 : 1;
  WriteBe16(value, kSelfTestHours, power_on_hours);
  WriteBe64(value, kSelfTestFailureLba, UINT64_MAX);
  // The parameter codes stay in place: 0001h is always the newest.
  for (std::uint16_t n = 0; n < kSelfTestEntries; ++n) {
    WriteBe16(page, kHeaderSize + kParameter * n + kParameterCode, n + 1);
  }
}

DriveImage SasHddImage() {
  ScsiDiskImage disk =
      CommonDisk("SEAGATE", "ST4000NM0295", "DT31", "ZC1A2B3C0000W9201XYZ", 0x5000C500A1B2C3D4);
  disk.vpd[scsi_vpd::kBlockCharacteristics] = BlockCharacteristics(7200, 2);  // 3.5"
  disk.blocks = 7814037168;
  disk.power_on_hours = 21344;
  disk.log[scsi_log::kWriteErrors] = ErrorCounterPage(
      scsi_log::kWriteErrors, {.delayed = 0, .corrected = 0, .bytes = 61234567891234});
  disk.log[scsi_log::kReadErrors] =
      ErrorCounterPage(scsi_log::kReadErrors, {.fast = 1284019,
                                               .delayed = 3,
                                               .rereads = 3,
                                               .corrected = 1284022,
                                               .invocations = 1284022,
                                               .bytes = 181734567891234});
  disk.log[scsi_log::kVerifyErrors] =
      ErrorCounterPage(scsi_log::kVerifyErrors,
                       {.fast = 412, .corrected = 412, .invocations = 412, .bytes = 9876543210});
  std::vector<Byte> non_medium = LogPageHeader(scsi_log::kNonMediumErrors);
  AppendLogCounter(non_medium, 0x0000, 17);
  SetLogPageLength(non_medium);
  disk.log[scsi_log::kNonMediumErrors] = non_medium;
  disk.log[scsi_log::kTemperature] = TemperaturePage(34, 68);
  disk.log[scsi_log::kStartStopCycles] = StartStopPage(50000, 112, 600000, 1450);
  AddScsiSelfTestEntry(disk.log[scsi_log::kSelfTestResults], 2, 0, 20100);
  AddScsiSelfTestEntry(disk.log[scsi_log::kSelfTestResults], 1, 0, 21300);
  std::vector<Byte> scan = LogPageHeader(scsi_log::kBackgroundScan);
  std::array<Byte, scsi_log::kScanStatusSize> status{};
  WriteBe32(status, scsi_log::kScanPowerOnMinutes, 21344u * 60);
  WriteBe16(status, scsi_log::kScansPerformed, 142);
  WriteBe16(status, scsi_log::kMediumScansPerformed, 142);
  AppendLogParameter(scan, scsi_log::kBackgroundScanStatus, status);
  SetLogPageLength(scan);
  disk.log[scsi_log::kBackgroundScan] = scan;
  disk.log[scsi_log::kInformationalExceptions] = InformationalExceptionsPage(0, 0, 34);
  return WithDisk(std::move(disk), "SEAGATE", "ST4000NM0295", "DT31", "ZC1A2B3C0000W9201XYZ");
}

DriveImage SasSsdImage() {
  ScsiDiskImage disk =
      CommonDisk("HGST", "HUSMM3280ASS205", "A460", "0PY8K3NA", 0x5000CCA04E1F2A3C);
  disk.vpd[scsi_vpd::kBlockCharacteristics] =
      BlockCharacteristics(scsi_vpd::kNonRotating, 3);  // 2.5"
  disk.blocks = 1562824368;
  disk.power_on_hours = 30711;
  disk.grown_defects = 3;
  disk.log[scsi_log::kWriteErrors] =
      ErrorCounterPage(scsi_log::kWriteErrors, {.bytes = 1324567890123456});
  disk.log[scsi_log::kReadErrors] =
      ErrorCounterPage(scsi_log::kReadErrors, {.fast = 58,
                                               .corrected = 58,
                                               .invocations = 58,
                                               .bytes = 2987654321098765,
                                               .uncorrected = 2});
  disk.log[scsi_log::kVerifyErrors] =
      ErrorCounterPage(scsi_log::kVerifyErrors, {.bytes = 123456789});
  std::vector<Byte> non_medium = LogPageHeader(scsi_log::kNonMediumErrors);
  AppendLogCounter(non_medium, 0x0000, 0);
  SetLogPageLength(non_medium);
  disk.log[scsi_log::kNonMediumErrors] = non_medium;
  disk.log[scsi_log::kTemperature] = TemperaturePage(41, 70);
  AddScsiSelfTestEntry(disk.log[scsi_log::kSelfTestResults], 1, 0, 30690);
  std::vector<Byte> media = LogPageHeader(scsi_log::kSolidStateMedia);
  AppendLogParameter(media, scsi_log::kEnduranceIndicator, std::array<Byte, 4>{0, 0, 0, 23});
  SetLogPageLength(media);
  disk.log[scsi_log::kSolidStateMedia] = media;
  disk.log[scsi_log::kInformationalExceptions] = InformationalExceptionsPage(0, 0, 41);
  return WithDisk(std::move(disk), "HGST", "HUSMM3280ASS205", "A460", "0PY8K3NA");
}

}  // namespace kestrine
