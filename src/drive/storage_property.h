// The storage-property query: what the platform's storage stack says about a drive.
#pragma once

#include <string>

namespace kestrine {

struct TDisk_Property {
  std::string VendorId;
  std::string SerialNumber;
  std::string ProductId;
  std::string ProductRevision;
  bool RemovableMedia = false;
  std::string BusType;
};

}  // namespace kestrine
