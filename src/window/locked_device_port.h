// A device port shared by the window's thread and the worker that reads the other drives: one
// call through it at a time, so that a port with state of its own (the simulated bay's records,
// the Linux port's table of open disks) sees no two calls at once.
#pragma once

#include <mutex>

#include "device_port.h"

namespace kestrine {

class LockedDevicePort final : public DevicePort {
 public:
  explicit LockedDevicePort(DevicePort& port) : port_(port) {}

  DeviceHandle Open(std::string_view path, Access access) override;
  bool Close(DeviceHandle handle) override;
  bool Control(DeviceHandle handle, std::uint32_t code, std::span<const std::uint8_t> in,
               std::span<std::uint8_t> out, std::uint32_t& bytes_returned) override;
  void DebugText(std::string_view text) override;
  OpenFailure LastOpenFailure() const override;
  std::optional<std::uint32_t> NvmeNamespaceId(DeviceHandle handle) override;
  PowerMode PowerWithoutOpening(std::string_view path) override;

  // Runs `what` with no call through the port under way, for a holder that changes what is
  // behind it (the simulated bay's drives).
  template <typename What>
  void Exclusive(What what) {
    const std::scoped_lock lock(mutex_);
    what();
  }

 private:
  DevicePort& port_;
  mutable std::mutex mutex_;
};

}  // namespace kestrine
