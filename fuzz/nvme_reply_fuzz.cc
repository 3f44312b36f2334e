// Arbitrary replies to the drive layer's NVMe requests: every query and protocol command is
// answered with the fuzzer's bytes (the descriptor, its offsets and the data behind them), and
// what the drive layer takes from them goes through the NVMe views and the condition. Nothing
// may be read outside a reply, and the views keep their shape whatever the blocks hold.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "drive_number.h"
#include "fake_toolkit.h"
#include "form_texts.h"
#include "fuzz_port.h"

namespace {

using kestrine::Byte;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

using fuzz::ReplyPort;

struct Window {
  ReplyPort port;
  kestrine::SmartDrv drv{port};
  kestrine::testing::FakeToolkit ui;
  kestrine::TForm1 form{drv, ui.Controls()};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestrine;
  // One window for the run: the drive layer's tables are large.
  static Window* const window = new Window;
  const std::vector<Byte> reply(data, data + std::min<std::size_t>(size, 8192));
  window->port.SetReply(&reply);
  SmartDrv& drv = window->drv;
  window->ui.ComboBox1.text = DriveDevicePath(3);
  for (auto* list : {&window->ui.ListView1, &window->ui.ListView2, &window->ui.ListView3,
                     &window->ui.ListView4}) {
    list->Clear();
  }
  window->ui.App.messages.clear();
  window->form.DriveCondition = texts::kConditionOk;

  const CommandResult identified = drv.IdentifyDeviceNvme(1, 3);
  drv.ReadHealthLogNvme(1, 3);
  drv.RunSelfTestNvme(1, kStcShort);
  if (!Succeeded(identified)) return 0;
  RunGuarded(window->ui.App, [] {
    window->form.TakeReading(NvmeReadingFromTables(window->drv.Tables(), 3));
    window->form.FillNvmeViews();
  });
  Check(window->ui.ListView2.ItemCount() == 9);
  // A health log that did not come shows no rows and decides nothing.
  const bool health_read = window->drv.Tables().HealthRead[3];
  Check(window->ui.ListView1.ItemCount() == (health_read ? 15 : 0));
  const std::string& condition = window->form.DriveCondition;
  Check(health_read ? condition == texts::kConditionOk || condition == texts::kConditionWarning ||
                          condition == texts::kConditionCritical
                    : condition.empty());
  for (int row = 0; row < 15; ++row) window->ui.ListView1.RowBackground(row);
  Check(window->ui.ListView3.ItemCount() <= 21);
  return 0;
}
