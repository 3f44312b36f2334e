#include "identify_decode.h"

namespace kestrine {

THDDInfo DecodeIdentifySector(std::span<const Byte, 512>) {
  // The decoder lands with the Identify view; until then the record stays empty.
  return THDDInfo{};
}

}  // namespace kestrine
