// A drive handle held for one action: opened from the selector's text, closed when the action
// leaves, also when the text turns out not to name a drive and the conversion error ends it.
#pragma once

#include <string_view>

#include "smart_drv.h"

namespace kestrine {

class OpenedDrive {
 public:
  OpenedDrive(SmartDrv& drv, std::string_view name) : drv_(drv), handle_(drv.OpenDrive(name)) {}
  ~OpenedDrive() { drv_.CloseDrive(handle_); }
  OpenedDrive(const OpenedDrive&) = delete;
  OpenedDrive& operator=(const OpenedDrive&) = delete;
  DeviceHandle Handle() const { return handle_; }

 private:
  SmartDrv& drv_;
  DeviceHandle handle_;
};

}  // namespace kestrine
