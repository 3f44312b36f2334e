#include "attribute_catalogue.h"

#include <algorithm>

namespace kestrine {

constexpr std::array<AttributeRecord, kAttributeCatalogueSize> AttributeCatalogue = {{
    {1, "Raw Read Error Rate", "Frequency of errors appearance while reading RAW data from a disk"},
    {2, "Throughput Performance", "The average efficiency of hard disk"},
    {3, "Spin Up Time", "Time needed by spindle to spin-up"},
    {4, "Start/Stop Count", "Number of start/stop cycles of spindle"},
    {5, "Reallocated Sector Count", "Quantity of remapped sectors"},
    {6, "Read Channel Margin", "Reserve of channel while reading"},
    {7, "Seek Error Rate", "Frequency of errors appearance while positioning"},
    {8, "Seek Time Performance", "The average efficiency of operations while positioning"},
    {9, "Power-On Hours Count", "Quantity of elapsed hours in the switched-on state"},
    {10, "Spin-up Retry Count", "Number of attempts to start a spindle of a disk"},
    {11, "Calibration Retry Count", "Number of attempts to calibrate a drive"},
    {12, "Power Cycle Count", "Number of complete start/stop cycles of hard disk"},
    {13, "Soft Read Error Rate",
     "Frequency of \"program\" errors appearance while reading data from a disk"},
    {100, "Erase/Program Cycles", ""},
    {103, "Translation Table Rebuild", ""},
    {108, "Unknown", ""},
    {170, "Reserved Block Count", ""},
    {171, "Program Fail Count", ""},
    {172, "Erase Fail Count", ""},
    {173, "Wear Leveller Worst Case Erase Count", ""},
    {174, "Unexpected Power Loss", ""},
    {175, "Program Fail Count", ""},
    {176, "Erase Fail Count", ""},
    {177, "Wear Leveling Count", ""},
    {178, "Used Reserved Block Count", ""},
    {179, "Used Reserved Block Count", ""},
    {180, "Unused Reserved Block Count", ""},
    {181, "Program Fail Count", ""},
    {182, "Erase Fail Count", ""},
    {183, "SATA Downshifts", ""},
    {184, "End-to-End error", ""},
    {185, "Head Stability", ""},
    {186, "Induced Op-Vibration Detection", ""},
    {187, "Reported Uncorrectable Errors", ""},
    {188, "Command Timeout", ""},
    {189, "High Fly Writes", ""},
    {190, "Temperature", ""},
    {191, "G-Sense Error Rate", "Frequency of mistakes appearance as a result of impact loads"},
    {192, "Power-Off Retract Cycle",
     "Number of the fixed \"turning off\" drive cycles (Fujitsu: Emergency Retract Cycle Count)"},
    {193, "Load/Unload Cycle Count", "Number of cycles into Landing Zone position"},
    {194, "HDD Temperature", "Temperature of a Hard Disk Assembly"},
    {195, "Hardware ECC Recovered",
     "Frequency of the on the fly errors (Fujitsu: ECC On The Fly Count)"},
    {196, "Reallocated Event Count", "Quantity of remapping operations"},
    {197, "Current Pending Sector Count",
     "Current quantity of unstable sectors (waiting for remapping)"},
    {198, "Off-line Scan Uncorrectable Count", "Quantity of uncorrected errors"},
    {199, "UltraDMA CRC Error Rate", "Total quantity of errors CRC during UltraDMA mode"},
    {200, "Write Error Rate",
     "Frequency of errors appearance while recording data into disk (Western Digital: Multi Zone "
     "Error Rate)"},
    {201, "Soft Read Error Rate", "Frequency of the off track errors (Maxtor: Off Track Errors)"},
    {202, "Data Address Mark Errors", "Frequency of the Data Address Mark errors"},
    {203, "Run Out Cancel", "Frequency of the ECC errors (Maxtor: ECC Errors)"},
    {204, "Soft ECC Correction", "Quantity of errors corrected by software ECC"},
    {205, "Thermal Asperity Rate", "Frequency of the thermal asperity errors"},
    {206, "Flying Height", "The height of the disk heads above the disk surface"},
    {207, "Spin High Current", "Quantity of used high current to spin up drive"},
    {208, "Spin Buzz", "Quantity of used buzz routines to spin up drive"},
    {209, "Offline Seek Performance", "Drives seek performance during offline operations"},
    {220, "Disk Shift",
     "Shift of disk is possible as a result of strong shock loading in the store, as a result of "
     "it`s falling or for other reasons"},
    {221, "G-Sense Error Rate",
     "This attribute is an indication of shock-sensitive sensor - total quantity of errors "
     "appearance as a result of impact loads "},
    {222, "Loaded Hours",
     "Loading on drive caused by the general operating time of hours it stores"},
    {223, "Load/Unload Retry Count",
     "Loading on drive caused by numerous recurrences of operations like: reading, recording, "
     "positioning of heads, etc."},
    {224, "Load Friction", "Loading on drive caused by friction in mechanical parts of the store"},
    {225, "Load/Unload Cycle Count", "Total of cycles of loading on drive"},
    {226, "Load-in Time", "General time of loading for drive"},
    {227, "Torque Amplification Count", "Quantity efforts of the rotating moment of a drive"},
    {228, "Power-Off Retract Count", "Quantity of the fixed turning off`s a drive"},
    {230, "GMR Head Amplitude", "Amplitude of heads trembling (GMR-head) in running mode"},
    {231, "Temperature", "Temperature of a drive"},
    {232, "Available Reserved Space", ""},
    {233, "Media Wearout Indicator", ""},
    {234, "Average erase count AND Maximum Erase Co", ""},
    {235, "Good Block Count AND System(Free) Block ", ""},
    {240, "Head Flying Hours", "Time while head is positioning"},
    {241, "Total LBAs Written", ""},
    {242, "Total LBAs Read", ""},
    {250, "Read Error Retry Rate", "Frequency of errors appearance while reading data from a disk"},
    {251, "Minimum Spares Remaining", ""},
    {252, "Newly Added Bad Flash Block", ""},
    {254, "Free Fall Protection", ""},
}};

namespace {

constexpr bool IdsStrictlyAscending() {
  for (std::size_t i = 1; i < AttributeCatalogue.size(); ++i) {
    if (AttributeCatalogue[i - 1].id >= AttributeCatalogue[i].id) return false;
  }
  return true;
}

constexpr bool TextsWithinLimits() {
  return std::ranges::all_of(AttributeCatalogue, [](const AttributeRecord& record) {
    return record.name.size() <= kAttributeNameMax &&
           record.description.size() <= kAttributeDescriptionMax;
  });
}

static_assert(IdsStrictlyAscending(), "the catalogue is kept in ascending, unique id order");
static_assert(TextsWithinLimits(), "names hold at most 40 characters, descriptions 160");

constexpr std::size_t kPreFailBit = 0;  // FlagAbbreviations[0] is "PF"

}  // namespace

AttributeName LookupAttributeName(Byte id) {
  const std::uint16_t key = id;
  for (const AttributeRecord& record : AttributeCatalogue) {
    if (record.id == key) return {std::string(record.name), std::string(record.description)};
  }
  return {kUnknownAttributeName, {}};
}

std::string AttributeFlagsText(std::uint16_t flags) {
  std::string text;
  for (std::size_t bit = 0; bit < FlagAbbreviations.size(); ++bit) {
    if ((flags >> bit) & 1U) {
      text += FlagAbbreviations[bit];
      text += ' ';
    }
  }
  return text;
}

std::string AttributeTypeText(std::uint16_t flags) {
  // Every abbreviation is followed by a blank, so "PF" occurs only for bit 0.
  const std::string flags_text = AttributeFlagsText(flags);
  return flags_text.find(FlagAbbreviations[kPreFailBit]) != std::string::npos ? kTypePreFail
                                                                              : kTypeOldAge;
}

}  // namespace kestrine
