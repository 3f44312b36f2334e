// Device-port pieces several fuzz targets share: a port whose driver answers every request with
// the fuzzer's bytes, and one exchange through a port checked as the drive layer relies on it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "bytes.h"
#include "device_port.h"

namespace fuzz {

using kestrine::Byte;

// A device whose driver answers every request with the fuzzer's bytes.
class ReplyPort final : public kestrine::DevicePort {
 public:
  void SetReply(const std::vector<Byte>* reply) { reply_ = reply; }
  kestrine::DeviceHandle Open(std::string_view, kestrine::Access) override { return 1; }
  bool Close(kestrine::DeviceHandle) override { return true; }
  bool Control(kestrine::DeviceHandle, std::uint32_t, std::span<const Byte>, std::span<Byte> out,
               std::uint32_t& bytes_returned) override {
    const std::size_t n = std::min(out.size(), reply_->size());
    std::copy_n(reply_->begin(), n, out.begin());
    bytes_returned = static_cast<std::uint32_t>(n);
    return true;
  }
  void DebugText(std::string_view) override {}

 private:
  const std::vector<Byte>* reply_ = nullptr;
};

// One exchange of `block` (its first `in_size` bytes going in, `out_size` bytes of room coming
// back): in place, as the drive layer sends its blocks, or into a separate reply. A taken request
// reports no more than the room it had; a refused one leaves the reply as it was.
inline void ExchangeChecked(kestrine::DevicePort& port, kestrine::DeviceHandle handle,
                            std::uint32_t code, std::vector<Byte>& block, std::size_t in_size,
                            std::size_t out_size, bool in_place) {
  auto check = [](bool condition) {
    if (!condition) __builtin_trap();
  };
  std::uint32_t returned = 0;
  if (in_place) {
    block.resize(std::max(in_size, out_size));
    const std::vector<Byte> before = block;
    const std::span<Byte> exchange(block);
    if (port.Control(handle, code, exchange.first(in_size), exchange.first(out_size), returned)) {
      check(returned <= out_size);
    } else {
      check(block == before);
    }
  } else {
    std::vector<Byte> out(out_size, 0xA5);
    if (port.Control(handle, code, block, out, returned)) {
      check(returned <= out.size());
    } else {
      for (Byte b : out) check(b == 0xA5);
    }
  }
}

}  // namespace fuzz
