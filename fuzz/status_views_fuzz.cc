// Arbitrary S.M.A.R.T. data and self-test log blocks through the General and Self Test Logs row
// builders. The first 512 bytes are the data block, the next 512 the log (short inputs are
// zero-filled, as the views' buffers are).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz_input.h"
#include "general_view_rows.h"
#include "self_test_log_rows.h"

namespace {

kestrine::Sector TakeSector(kestrine::fuzzing::InputReader& input) {
  kestrine::Sector sector{};
  input.Fill(sector);
  return sector;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kestrine::fuzzing::InputReader input(data, size);
  const kestrine::Sector smart_data = TakeSector(input);
  const kestrine::Sector log = TakeSector(input);

  const auto general = kestrine::GeneralViewRows(kestrine::AtaStatusFromSmartData(smart_data));
  if (general.size() != kestrine::kGeneralViewRowCount) std::abort();
  for (std::size_t i = 0; i < general.size(); ++i) {
    const std::size_t cells = i == 3 ? 2 : 3;  // the capability row has no description
    if (general[i].size() != cells) std::abort();
  }

  const auto rows = kestrine::SelfTestLogRows(kestrine::AtaSelfTestEntries(log));
  if (rows.size() > 21) std::abort();
  for (std::size_t k = 0; k < rows.size(); ++k) {
    if (rows[k].size() != 6) std::abort();
    if (log[2 + 24 * k] == 0) std::abort();  // a zero type ends the log
  }
  if (rows.size() < 21 && log[2 + 24 * rows.size()] != 0) std::abort();
  return 0;
}
