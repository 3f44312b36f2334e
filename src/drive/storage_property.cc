#include "smart_drv.h"

namespace kestrine {

bool SmartDrv::QueryDiskProperty(std::string_view, TDisk_Property&) {
  // The storage-property query lands with the bus type; until then it reports no answer.
  return false;
}

}  // namespace kestrine
