#include "identify_view_rows.h"

namespace kestrine {

namespace {

const char* YesNo(bool value) {
  return value ? "Yes" : "No";
}

}  // namespace

std::vector<IdentifyViewRow> IdentifyViewRows(const THDDInfo& info) {
  // Only a parallel drive shows its transfer mode, and its Ultra DMA modes in place of the serial
  // speeds.
  const bool parallel = info.InterfaceType == kParallelAta;
  std::vector<IdentifyViewRow> rows;
  rows.reserve(14);
  rows.push_back({"Model", info.Model});
  rows.push_back({"FW", info.Firmware});
  rows.push_back({"SN", info.SerialNumber});
  rows.push_back({"LBASize", std::to_string(info.LBASize)});
  rows.push_back({"Cache", std::to_string(info.Cache)});
  rows.push_back({"InterfaceType", info.InterfaceType});
  rows.push_back({"MajorVersion", info.MajorVersion});
  if (parallel) {
    rows.push_back({"TransferMode", info.TransferMode});
    rows.push_back({"Current - Max", info.UDMACurrent + " - " + info.UDMAMax});
  } else {
    rows.push_back({"Current - Max", info.SATACurrent + " - " + info.SATAMax});
  }
  rows.push_back({"Features", info.Features});
  rows.push_back({"SSD", YesNo(info.SSD)});
  if (!info.SSD) {
    rows.push_back({"NominalMediaRotationRate", std::to_string(info.NominalMediaRotationRate)});
  }
  rows.push_back({"SleepSupported", YesNo(info.SleepSupported)});
  rows.push_back({"NominalFormFactor", info.NominalFormFactor});
  return rows;
}

}  // namespace kestrine
