// IDENTIFY blocks of any content: the decoder and the Identify view's rows must take every one.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "identify_decode.h"
#include "identify_view_rows.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kestrine::Sector block{};  // shorter input: the rest stays zero; longer: cut at 512 bytes
  std::copy_n(data, std::min(size, block.size()), block.begin());

  const kestrine::THDDInfo info = kestrine::DecodeIdentifySector(block);
  // The decode depends on the block alone.
  if (!(kestrine::DecodeIdentifySector(block) == info)) std::abort();
  // Bounded texts: a field and its appended space at most.
  if (info.Model.size() > 41 || info.Firmware.size() > 9 || info.SerialNumber.size() > 21) {
    std::abort();
  }
  if (info.LBASize < 0 || info.Cache < 0 || info.NominalMediaRotationRate < 0) std::abort();

  const auto rows = kestrine::IdentifyViewRows(info);
  if (rows.size() < 12 || rows.size() > 14) std::abort();
  return 0;
}
