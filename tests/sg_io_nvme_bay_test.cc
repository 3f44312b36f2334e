// The Linux port's NVMe path against the simulated bay's NVMe drives: the bay's controller stands
// behind the port's system-call seam (its admin entry takes the nvme_admin_cmd block), so the
// window over the port must show exactly what the window over the bay shows.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "demo_drives.h"
#include "drive_number.h"
#include "fake_toolkit.h"
#include "form_texts.h"
#include "linux_device_port.h"
#include "nvme_admin_block.h"
#include "nvme_command.h"
#include "sg_io_fakes.h"

namespace kestrine {
namespace {

using namespace std::chrono_literals;
using testing::FakeSysfsTree;
using testing::FakeToolkit;

// The seam's calls answered by the bay: an NVMe namespace device opens the bay drive the test
// names for it, and its admin commands go to the bay's controller.
class BaySystem final : public LinuxSystemCalls {
 public:
  BaySystem(SimBay& bay, std::filesystem::path dev) : bay_(bay), dev_(std::move(dev)) {}
  void Map(const std::string& name, int bay_drive) { names_[(dev_ / name).string()] = bay_drive; }

  int Open(const char* path, int flags) override {
    const auto it = names_.find(path);
    if (it == names_.end()) {
      errno = ENOENT;
      return -1;
    }
    const Access access = (flags & O_ACCMODE) == O_RDWR ? Access::ReadWrite : Access::ReadOnly;
    return static_cast<int>(bay_.Open(DriveDevicePath(it->second), access));
  }
  int Close(int fd) override { return bay_.Close(fd) ? 0 : -1; }
  int SgIo(int, sg_io_hdr_t&) override {
    errno = ENOTTY;  // an NVMe namespace has no SCSI generic interface
    return -1;
  }
  int NvmeAdmin(int fd, nvme_admin_cmd& command) override {
    if (identify_only && command.opcode != kNvmeIdentify) {
      errno = EACCES;
      return -1;
    }
    NvmeAdminBlock block;
    std::memcpy(block.data(), &command, block.size());
    auto* data = reinterpret_cast<Byte*>(static_cast<std::uintptr_t>(command.addr));
    const int status = bay_.NvmeAdminCommand(fd, block, std::span(data, command.data_len));
    command.result = ReadLe32(block, nvme_admin::kResult);
    if (status == kNvmeAdminRefused) errno = EINVAL;
    return status;
  }
  int NvmeNamespaceId(int) override { return kFirstNamespace; }

  // Linux 6.2 and later let a user of the disk group send Identify to an NVMe namespace and
  // refuse every other admin command.
  bool identify_only = false;

 private:
  SimBay& bay_;
  std::filesystem::path dev_;
  std::map<std::string, int> names_;
};

// The window over a port.
struct Window {
  explicit Window(DevicePort& port) : drv(port) {}
  void Select(int number) {
    ui.ComboBox1.text = DriveDevicePath(number);
    ui.App.messages.clear();
    RunGuarded(ui.App, [&] { form.ComboBox1Change(); });
  }
  void Press(void (TForm1::*button)()) {
    ui.App.messages.clear();
    ui.App.answers.push_back(true);
    RunGuarded(ui.App, [&] { (form.*button)(); });
  }
  std::vector<std::vector<std::string>> Rows(const MemoryListView& list) const {
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < list.ItemCount(); ++r) {
      std::vector<std::string> cells;
      for (std::size_t c = 0; c < list.ColumnCaptions().size(); ++c) {
        cells.push_back(list.CellText(r, static_cast<int>(c)));
        if (c == 0 && list.RowBackground(r)) cells.push_back("colour");
      }
      rows.push_back(cells);
    }
    return rows;
  }
  // Everything the window shows of a drive but its path.
  std::vector<std::vector<std::string>> Shown() const {
    std::vector<std::vector<std::string>> shown = {{ui.StatusBar1.text, ui.lblstatus.caption}};
    for (const MemoryListView* list :
         {&ui.ListView1, &ui.ListView2, &ui.ListView3, &ui.ListView4}) {
      const auto rows = Rows(*list);
      shown.insert(shown.end(), rows.begin(), rows.end());
    }
    shown.push_back(ui.App.messages);
    const std::string& hint = ui.TrayIcon1.hint;
    shown.push_back({hint.substr(std::min(hint.find('\r'), hint.size()))});
    return shown;
  }

  SmartDrv drv;
  FakeToolkit ui;
  TForm1 form{drv, ui.Controls()};
};

class SgIoNvmeBayTest : public ::testing::Test {
 protected:
  SgIoNvmeBayTest() {
    AddDemoNvmeDrives(bay_);
    AddDemoNvmeDrives(reference_);
    for (const char* name : {"nvme0n1", "nvme1n1"}) {
      tree_.AddNvmeNamespace(name, std::string("pci0000:00/0000:00:04.0/nvme/") + name, "KESTREL",
                             "KN1", "2B2Q");
    }
    system_.Map("nvme0n1", kDemoNvmeSsd);
    system_.Map("nvme1n1", kDemoWornNvmeSsd);
  }

  SimBay bay_;        // behind the Linux port
  SimBay reference_;  // the same drives, read directly
  FakeSysfsTree tree_;
  BaySystem system_{bay_, tree_.Root() / "dev"};
  LinuxDevicePort port_{system_, LinuxDevicePortOptions{tree_.Root(), tree_.Root() / "dev", {}}};
  Window linux_{port_};
  Window direct_{reference_};
};

TEST_F(SgIoNvmeBayTest, TheWindowOverThePortShowsWhatItShowsOverTheBay) {
  const struct {
    int port_drive;
    int bay_drive;
  } drives[] = {{192, kDemoNvmeSsd}, {193, kDemoWornNvmeSsd}};
  for (const auto& d : drives) {
    SCOPED_TRACE(d.bay_drive);
    linux_.Select(d.port_drive);
    direct_.Select(d.bay_drive);
    EXPECT_EQ(linux_.ui.StatusBar1.text, "BusType:Nvme Method:IOCTL_STORAGE_QUERY_PROPERTY");
    EXPECT_EQ(linux_.ui.ListView1.ItemCount(), 15);
    EXPECT_EQ(linux_.Shown(), direct_.Shown());
  }
}

TEST_F(SgIoNvmeBayTest, ASelfTestStartedThroughThePortRunsInTheDrive) {
  linux_.Select(192);
  linux_.Press(&TForm1::Button4Click);
  EXPECT_TRUE(linux_.ui.App.messages.empty());
  EXPECT_EQ(bay_.FindDrive(kDemoNvmeSsd)->self_tests_started, 1);
  // A second start while the first runs: the controller refuses it, the button says so.
  linux_.Press(&TForm1::Button2Click);
  EXPECT_EQ(linux_.ui.App.messages, std::vector<std::string>{"failed"});
  EXPECT_EQ(bay_.FindDrive(kDemoNvmeSsd)->self_tests_started, 1);

  bay_.AdvanceClock(3min);
  linux_.Select(192);
  const auto log = linux_.Rows(linux_.ui.ListView3);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log[0][2], "Short offline");
  EXPECT_EQ(log[0][3], "Completed without error");
}

// A controller without the Device Self-test command (QEMU's, for one) refuses the command and its
// log: the refresh shows the drive without a message, the buttons say "failed".
TEST_F(SgIoNvmeBayTest, AControllerWithoutSelfTestsShowsNoLogAndRefusesTheButtons) {
  for (SimBay* bay : {&bay_, &reference_}) {
    SimDrive& drive = *bay->FindDrive(kDemoNvmeSsd);
    NvmeIdentifyBlock& controller = drive.image.nvme->controller;
    const std::uint16_t admin = ReadLe16(controller, nvme_controller::kAdminCommands);
    WriteLe16(controller, nvme_controller::kAdminCommands,
              static_cast<std::uint16_t>(admin & ~(1u << nvme_controller::kOacsSelfTest)));
    drive.refuse = [](std::uint32_t code, std::span<const Byte> in) {
      const std::optional<NvmeCommand> command = ReadNvmeAdminBlock(in);
      return code == kNvmeIoctlAdminCmd && command && command->opcode == kNvmeGetLogPage &&
             (command->cdw10 & 0xFF) == kLogSelfTest;
    };
  }
  linux_.Select(192);
  direct_.Select(kDemoNvmeSsd);
  EXPECT_TRUE(linux_.ui.App.messages.empty());
  EXPECT_EQ(linux_.ui.ListView3.ItemCount(), 0);
  EXPECT_EQ(linux_.Shown(), direct_.Shown());
  linux_.Press(&TForm1::Button4Click);
  EXPECT_EQ(linux_.ui.App.messages, std::vector<std::string>{"failed"});
  EXPECT_EQ(bay_.FindDrive(kDemoNvmeSsd)->self_tests_started, 0);
}

// Linux 6.2 and later let a user of the disk group send Identify to an NVMe namespace and refuse
// every other admin command: the drive is shown identified, without a verdict, and the General
// view keeps only what Identify Controller holds.
// A kernel that lets only Identify through: the drive is shown identified, without a verdict,
// and the General view keeps only what Identify Controller holds.
TEST_F(SgIoNvmeBayTest, AKernelThatRefusesTheHealthLogLeavesTheDriveUnjudged) {
  system_.identify_only = true;
  Window& window = linux_;
  window.Select(193);  // the worn drive: CRITICAL when its log is read
  EXPECT_EQ(window.ui.lblstatus.caption, "");
  EXPECT_EQ(window.ui.TrayIcon1.hint,
            DriveDevicePath(193) + "\r\nCondition:" + texts::kHealthNotRead);
  EXPECT_EQ(window.ui.ListView2.ItemCount(), 9);
  EXPECT_EQ(window.ui.ListView1.ItemCount(), 0);
  EXPECT_EQ(window.ui.ListView3.ItemCount(), 0);
  std::vector<std::string> general;
  for (const auto& row : window.Rows(window.ui.ListView4)) general.push_back(row[0]);
  EXPECT_EQ(general, (std::vector<std::string>{"Device self-test command",
                                               "Extended self-test completion time",
                                               "Warning composite temperature threshold",
                                               "Critical composite temperature threshold"}));
  // The self-test log is refused too, and the view says so as for any refused log.
  EXPECT_EQ(window.ui.App.messages, std::vector<std::string>{texts::kFailed});
}

}  // namespace
}  // namespace kestrine
