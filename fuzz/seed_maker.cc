// Writes the fuzz targets' seed inputs: the requests the drive layer itself sends (recorded from
// the simulated bay while it identifies drives, reads their data and runs and aborts
// self-tests), each laid out as the bay and SG_IO targets read them (fuzz_input.h); SG_IO
// replies with each kind of sense data; sequences that start, complete and abort self-tests;
// the drive layer's NVMe requests and the NVMe drives' replies; small snapshot files (an NVMe
// one too), the USB bridges' replies, file names and report cells; and, given the captured drives'
// folder, their blocks for the decoders. Deterministic, so that the seeds in fuzz/seeds can be
// checked against a fresh run.
//
//   fuzz_seed_maker OUT_DIR [CAPTURED_DIR]
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "demo_drives.h"
#include "device_port.h"
#include "drive_image_logs.h"
#include "fuzz_input.h"
#include "history_rows.h"
#include "history_rows_input.h"
#include "history_schema.h"
#include "log_reads.h"
#include "nvme_admin_block.h"
#include "nvme_protocol_command_block.h"
#include "nvme_query_block.h"
#include "sat_pass_through_block.h"
#include "scsi_commands.h"
#include "scsi_page_targets.h"
#include "scsi_pass_through_block.h"
#include "sim_bay.h"
#include "smart_drv.h"
#include "snapshot_file.h"
#include "statistics_input.h"
#include "usb_bridge_commands.h"

namespace {

namespace fs = std::filesystem;
using kestrine::Byte;
using namespace kestrine::fuzzing;
using Bytes = std::vector<std::uint8_t>;

fs::path out_dir;
std::map<std::string, int> counts;

void Write(const std::string& target, const std::string& name, const Bytes& bytes) {
  fs::create_directories(out_dir / target);
  const int number = ++counts[target];
  const std::string file = (number < 10 ? "0" : "") + std::to_string(number) + "-" + name;
  std::ofstream(out_dir / target / file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

std::uint8_t CodeIndex(std::uint32_t code) {
  for (std::size_t i = 0; i < kPortCodeCount; ++i) {
    if (kPortCodes[i] == code) return static_cast<std::uint8_t>(i);
  }
  return 0;
}

// A few statistics of each page read, and the SCT status, with the log directory.
void AddSeedStatistics(kestrine::DriveImage& image) {
  using namespace kestrine::device_statistics;
  kestrine::SetDeviceStatistic(image, kGeneralPage, kPowerOnHours, 1200);
  kestrine::SetDeviceStatistic(image, kGeneralPage, kLogicalSectorsWritten, 123456789);
  kestrine::SetDeviceStatistic(image, kTemperaturePage, kCurrentTemperature, 35);
  kestrine::SetDeviceStatistic(image, kTemperaturePage, kLowestTemperature, 0xFB);
  kestrine::SetDeviceStatistic(image, kTemperaturePage, kTimeOverTemperature, 12, false);
  kestrine::SetDeviceStatistic(image, kSolidStatePage, kPercentageUsed, 7);
  kestrine::SetSctStatus(image, {.current = 36, .lifetime_lowest = 18, .lifetime_highest = 65});
  kestrine::SealDriveLogs(image);
}

// The requests of one pass over a drive through each family the drive answers.
std::vector<kestrine::RecordedRequest> RecordRequests(kestrine::DriveBehaviour behaviour) {
  kestrine::SimBay bay;
  kestrine::DriveImage image;
  image.smart_data[372] = 1;
  image.smart_data[373] = 2;
  image.vendor = "ATA";
  image.product = "SEED";
  AddSeedStatistics(image);
  bay.AddDrive(0, image, behaviour);
  kestrine::SmartDrv drv(bay);
  kestrine::TDisk_Property property;
  drv.QueryDiskProperty("\\\\.\\PHYSICALDRIVE0", property);
  const kestrine::DeviceHandle handle = drv.OpenDrive("\\\\.\\PHYSICALDRIVE0");
  kestrine::Sector log{};
  if (behaviour.answers_ata_pass_through || behaviour.answers_legacy) {
    drv.IdentifyDeviceAta(handle, 0);
    drv.CheckPowerMode(handle, 0);
    drv.ReadThresholdsAta(handle, 0);
    drv.ReadSmartDataAta(handle, 0);
    drv.ReadSelfTestLogAta(handle, 0, log);
    kestrine::ReadAtaStatisticsLogs(drv, handle, 0);
    drv.RunSelfTestAta(handle, 0, kestrine::kSmartExecuteOfflineImmediate,
                       kestrine::kShortSelfTestOffline, 0);
    drv.RunSelfTestAta(handle, 0, kestrine::kSmartExecuteOfflineImmediate,
                       kestrine::kAbortOfflineTest, 0);
  } else {
    drv.IdentifyDeviceSat(handle, 0);
    drv.CheckPowerMode(handle, 0);
    drv.ReadThresholdsSat(handle, 0);
    drv.ReadSmartDataSat(handle, 0);
    drv.ReadSelfTestLogSat(handle, 0, log);
    kestrine::ReadAtaStatisticsLogs(drv, handle, 0);
    drv.RunSelfTestSat(handle, 0, kestrine::kSmartExecuteOfflineImmediate,
                       kestrine::kExtendedSelfTestOffline, 0);
    drv.RunSelfTestSat(handle, 0, kestrine::kSmartExecuteOfflineImmediate,
                       kestrine::kAbortOfflineTest, 0);
  }
  drv.CloseDrive(handle);
  return bay.Requests();
}

std::vector<kestrine::RecordedRequest> AllRequests() {
  std::vector<kestrine::RecordedRequest> all;
  kestrine::DriveBehaviour ata;
  kestrine::DriveBehaviour legacy;
  legacy.answers_ata_pass_through = false;
  kestrine::DriveBehaviour sat;
  sat.answers_ata_pass_through = false;
  sat.answers_legacy = false;
  for (const auto& behaviour : {ata, legacy, sat}) {
    for (auto& request : RecordRequests(behaviour)) all.push_back(std::move(request));
  }
  return all;
}

// A request in the bay's layout; `in_place` for the blocks sent and received in one buffer.
void PutBayRequest(InputWriter& writer, const kestrine::RecordedRequest& request) {
  writer.Put(CodeIndex(request.code));
  writer.Put16(static_cast<std::uint16_t>(request.out_size));
  const bool in_place = request.code == kestrine::kIoctlAtaPassThrough;
  writer.Put(in_place ? kBayShared : 0);
}

void MakeBaySeeds(const std::vector<kestrine::RecordedRequest>& requests) {
  int n = 0;
  for (const auto& request : requests) {
    InputWriter writer;
    PutBayRequest(writer, request);
    writer.PutBytes(request.in);
    Write("sim_bay_fuzz", "request-" + std::to_string(n++), writer.Bytes());
  }
}

// Sequences: every request of one pass, with the clock moved on by `seconds` after each.
void MakeSequenceSeeds(const std::vector<kestrine::RecordedRequest>& requests) {
  for (const std::uint16_t seconds : {0, 30, 200, 4000}) {
    InputWriter writer;
    for (const auto& request : requests) {
      writer.Put(static_cast<std::uint8_t>(BayStep::kRequest));
      PutBayRequest(writer, request);
      writer.Put16(static_cast<std::uint16_t>(request.in.size()));
      writer.PutBytes(request.in);
      writer.Put(static_cast<std::uint8_t>(BayStep::kAdvance));
      writer.Put16(seconds);
    }
    writer.Put(static_cast<std::uint8_t>(BayStep::kReopen));
    Write("sim_bay_sequence_fuzz", "pass-every-" + std::to_string(seconds) + "s", writer.Bytes());
  }
}

// SG_IO replies: the request, the data the disk returns, and sense data of each format.
void MakeSgIoSeeds(const std::vector<kestrine::RecordedRequest>& requests) {
  const Bytes fixed_ata = {0x70, 0, 0x01, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x00, 0x1D, 0, 0, 0, 0};
  const Bytes fixed_valid = {0xF0, 0,    0x05, 0x00, 0x01, 0x4F, 0xC2, 10, 0x40,
                             0x50, 0x00, 0x00, 0x24, 0x00, 0,    0,    0,  0};
  const Bytes descriptor_ata = {0x72, 0x01, 0x00, 0x1D, 0,    0,    0,    14,   0x09, 0x0C, 0x00,
                                0x00, 0x00, 0x01, 0x00, 0x06, 0x00, 0x4F, 0x00, 0xC2, 0xA0, 0x50};
  const Bytes descriptor_illegal = {0x73, 0x05, 0x20, 0x00, 0, 0, 0, 0};
  struct Reply {
    const char* name;
    std::uint8_t status;
    const Bytes* sense;
  };
  const Bytes none;
  const Reply replies[] = {
      {"good", 0x00, &none},
      {"check-fixed", 0x02, &fixed_ata},
      {"check-fixed-valid", 0x02, &fixed_valid},
      {"check-descriptor", 0x02, &descriptor_ata},
      {"check-illegal", 0x02, &descriptor_illegal},
  };
  int n = 0;
  for (const auto& request : requests) {
    if (request.code != kestrine::kIoctlAtaPassThrough &&
        request.code != kestrine::kIoctlScsiPassThrough) {
      continue;
    }
    for (const Reply& reply : replies) {
      InputWriter writer;
      writer.Put(CodeIndex(request.code));
      writer.Put(request.code == kestrine::kIoctlAtaPassThrough ? kSgIoInPlace : 0);
      writer.Put(reply.status);
      writer.Put(0);
      writer.Put(0);
      writer.Put16(0);
      writer.Put16(static_cast<std::uint16_t>(request.in.size()));
      writer.Put16(static_cast<std::uint16_t>(request.out_size));
      const Bytes data(request.out_size > 80 ? 512 : 0, 0x5A);
      writer.Put16(static_cast<std::uint16_t>(data.size()));
      writer.PutBytes(request.in);
      writer.PutBytes(data);
      writer.PutBytes(*reply.sense);
      Write("sg_io_port_fuzz", std::string(reply.name) + "-" + std::to_string(n), writer.Bytes());
    }
    ++n;
  }
}

Bytes ToBytes(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

void MakeSnapshotSeeds() {
  kestrine::Snapshot snapshot;
  for (std::size_t i = 0; i < 512; ++i) snapshot.identify[i] = static_cast<Byte>(i);
  snapshot.smart_data = kestrine::Sector{};
  snapshot.thresholds = kestrine::Sector{};
  snapshot.self_test_log = kestrine::Sector{};
  Bytes whole = kestrine::SerializeSnapshot(snapshot);
  Write("snapshot_file_fuzz", "four-sections", whole);
  Bytes status(whole.begin(), whole.begin() + 520);
  for (const Byte b : ToBytes("SMST")) status.push_back(b);
  for (const Byte b : {0, 0, 0, 4, 0, 0, 0, 1}) status.push_back(b);
  Write("snapshot_file_fuzz", "identify-and-status", status);
}

// The drive layer's NVMe requests to the demo NVMe drives, recorded from the bay, each as the
// request of nvme_bay_fuzz; Linux's admin blocks for the same commands; and the bay's replies to
// the queries as replies for nvme_reply_fuzz.
void MakeNvmeSeeds() {
  kestrine::SimBay bay;
  kestrine::AddDemoNvmeDrives(bay);
  kestrine::SmartDrv drv(bay);
  for (const int number : {kestrine::kDemoNvmeSsd, kestrine::kDemoWornNvmeSsd}) {
    const kestrine::DeviceHandle handle =
        drv.OpenDrive("\\\\.\\PHYSICALDRIVE" + std::to_string(number));
    drv.IdentifyDeviceNvme(handle, 0);
    drv.ReadHealthLogNvme(handle, 0);
    drv.RunSelfTestNvme(handle, kestrine::kStcShort);
    drv.ReadSelfTestLogNvme(handle);
    drv.CloseDrive(handle);
  }
  int n = 0;
  for (const kestrine::RecordedRequest& request : bay.Requests()) {
    if (request.code != kestrine::kIoctlStorageQueryProperty &&
        request.code != kestrine::kIoctlStorageProtocolCommand) {
      continue;
    }
    InputWriter writer;
    writer.Put(static_cast<std::uint8_t>(request.code == kestrine::kIoctlStorageQueryProperty
                                             ? NvmeBayRequest::kQuery
                                             : NvmeBayRequest::kProtocolCommand));
    writer.Put16(static_cast<std::uint16_t>(request.out_size));
    writer.Put(kBayShared);
    writer.Put(1);
    writer.PutBytes(request.in);
    Write("nvme_bay_fuzz", "request-" + std::to_string(n++), writer.Bytes());
  }
  for (const kestrine::NvmeCommand& command :
       {kestrine::IdentifyControllerCommand(), kestrine::IdentifyNamespaceCommand(1),
        kestrine::HealthLogCommand(), kestrine::SelfTestLogCommand(),
        kestrine::DeviceSelfTestCommand(kestrine::kStcExtended),
        kestrine::DeviceSelfTestCommand(kestrine::kStcAbort)}) {
    InputWriter writer;
    writer.Put(static_cast<std::uint8_t>(NvmeBayRequest::kAdminCommand));
    writer.Put16(static_cast<std::uint16_t>(command.data_length));
    writer.Put(0);
    writer.Put(3);
    writer.PutBytes(kestrine::BuildNvmeAdminBlock(command));
    Write("nvme_bay_fuzz", "admin-" + std::to_string(n++), writer.Bytes());
  }
  // Replies: the worn drive's answers to the identify and log queries.
  const kestrine::DeviceHandle handle =
      bay.Open("\\\\.\\PHYSICALDRIVE" + std::to_string(kestrine::kDemoWornNvmeSsd),
               kestrine::Access::ReadWrite);
  const std::pair<const char*, std::vector<Byte>> queries[] = {
      {"controller", kestrine::BuildNvmeIdentifyControllerQuery()},
      {"health", kestrine::BuildNvmeLogPageQuery(kestrine::kLogHealth, 512)},
      {"self-test-log", kestrine::BuildNvmeLogPageQuery(kestrine::kLogSelfTest, 564)},
  };
  for (const auto& [name, query] : queries) {
    Bytes reply = query;
    std::uint32_t returned = 0;
    bay.Control(handle, kestrine::kIoctlStorageQueryProperty, reply, reply, returned);
    Write("nvme_reply_fuzz", name, reply);
  }
}

// A port that lets the bay answer and writes each reply as the USB bridge targets read it.
class BridgeRecordingPort final : public kestrine::DevicePort {
 public:
  explicit BridgeRecordingPort(kestrine::SimBay& bay) : bay_(bay) {}
  kestrine::DeviceHandle Open(std::string_view path, kestrine::Access access) override {
    return bay_.Open(path, access);
  }
  bool Close(kestrine::DeviceHandle handle) override { return bay_.Close(handle); }
  bool Control(kestrine::DeviceHandle handle, std::uint32_t code, std::span<const Byte> in,
               std::span<Byte> out, std::uint32_t& returned) override {
    const bool answered = bay_.Control(handle, code, in, out, returned);
    const std::size_t reply = answered ? std::min<std::size_t>(returned, out.size()) : 0;
    writer_.Put(answered ? 0 : kBridgeExchangeFails);
    writer_.Put16(static_cast<std::uint16_t>(returned));
    writer_.Put16(static_cast<std::uint16_t>(reply));
    writer_.PutBytes(out.first(reply));
    return answered;
  }
  void DebugText(std::string_view) override {}
  const Bytes& Replies() const { return writer_.Bytes(); }

 private:
  kestrine::SimBay& bay_;
  InputWriter writer_;
};

// The replies of the worn demo NVMe drive in each bridge's enclosure, to the commands the USB
// bridge targets send, in their order: a drive that answers all, and one refusing its health log.
void MakeUsbBridgeSeeds() {
  for (const kestrine::UsbBridge bridge : kestrine::kUsbBridges) {
    std::string target(kestrine::UsbBridgeName(bridge));
    std::ranges::transform(target, target.begin(), [](char c) { return std::tolower(c); });
    target = "usb_bridge_" + target + "_fuzz";
    for (const bool refuses_health : {false, true}) {
      kestrine::SimBay bay;
      kestrine::AddDemoNvmeDrives(bay);
      kestrine::DriveImage image = bay.FindDrive(kestrine::kDemoWornNvmeSsd)->image;
      image.usb_bridge = bridge;
      kestrine::DriveBehaviour behaviour;
      behaviour.refuses_health_data = refuses_health;
      bay.AddDrive(20, image, behaviour);
      BridgeRecordingPort port(bay);
      kestrine::SmartDrv drv(port);
      const kestrine::DeviceHandle handle = drv.OpenDrive("\\\\.\\PHYSICALDRIVE20");
      kestrine::IdentifyDeviceBridge(drv, handle, 3, bridge);
      kestrine::ReadHealthLogBridge(drv, handle, 3, bridge);
      kestrine::ReadSelfTestLogBridge(drv, handle, bridge);
      kestrine::RunSelfTestBridge(drv, handle, bridge, kestrine::kStcShort);
      Write(target, refuses_health ? "health-refused" : "worn-drive", port.Replies());
    }
  }
}

void MakeNvmeSnapshotSeeds() {
  kestrine::SimBay bay;
  kestrine::AddDemoNvmeDrives(bay);
  const kestrine::NvmeBlocks& blocks = *bay.FindDrive(kestrine::kDemoWornNvmeSsd)->image.nvme;
  kestrine::Snapshot snapshot;
  snapshot.nvme = kestrine::NvmeSnapshot{blocks.controller, blocks.namespace_data, blocks.health,
                                         blocks.self_test_log};
  Write("snapshot_file_fuzz", "nvme-four-sections", kestrine::SerializeSnapshot(snapshot));
}

void MakeFileNameSeeds() {
  for (const char* name : {"report.html", "C:\\Reports\\nul.html", "\\\\.\\PhysicalDrive0",
                           "\\\\?\\GLOBALROOT\\Device\\Null", "/tmp/x/../style.css",
                           "COM\xC2\xB9.txt", "a:b", "\\\\?\\UNC\\server\\share\\r.htm"}) {
    Write("file_target_fuzz", "name", ToBytes(name));
  }
}

void MakeConfigSeeds() {
  Write("config_fuzz", "channels",
        ToBytes("[[notify]]\nkind = \"webhook\"\nurl = \"https://ntfy.example.org/disks\"\n"
                "format = \"ntfy\"\n\n[[notify]]\nkind = \"exec\"\n"
                "command = [\"/usr/local/bin/disk-alert\", \"--urgent\"]\ntimeout_seconds = 30\n\n"
                "[[notify]]\nkind = \"email\"\nurl = \"smtps://mail.example.org\"\n"
                "from = \"disks@example.org\"\nto = [\"admin@example.org\"]\n"));
  Write("config_fuzz", "faults",
        ToBytes("colour = 1\n[[notify]]\nkind = \"webhook\"\nurl = \"http://192.168.1.2:8080/x\"\n"
                "format = \"teams\"\n[[notify]]\nkind = \"exec\"\ncommand = \"alert\"\n"));
}

void MakeReportSeeds() {
  // One byte of layout (columns, colour), then cells split at 0x00.
  Write("html_report_fuzz", "cells",
        ToBytes(std::string("\x13", 1) + "Model" + std::string(1, '\0') + " <b>&amp;\"x\" " +
                std::string(1, '\0') + "\x01\x7F\xFF"));
}

// The history's rows as the program writes them: a drive's readings with changes, a drive gone
// and one replaced, under the choice byte of each query the target makes.
void MakeHistorySeeds() {
  sqlite3* db = nullptr;
  sqlite3_open(":memory:", &db);
  kestrine::MigrateSchema(db, 0);
  const kestrine::HistoryDrive disk{"m", "s", "f", "ATA"};
  const kestrine::HistoryDrive nvme{"n\xE9", "t", "g", "NVMe"};
  for (int i = 0; i < 4; ++i) {
    kestrine::HistoryReading reading{
        1000 * (i + 1),
        "kestrine-cli",
        "\\\\.\\PHYSICALDRIVE0",
        i < 2 ? "OK" : "WARNING",
        30 + i,
        {{5, 100, 100, 36, kestrine::Counter128{0}},
         {9, 99, 99, 0, kestrine::Counter128{static_cast<std::uint64_t>(i)}},
         {197, 100, 100, 0, kestrine::Counter128{static_cast<std::uint64_t>(i / 2)}}},
        kestrine::HistorySelfTest{1, 0, i}};
    if (i == 3) reading.items.erase(reading.items.begin());
    kestrine::WriteReadingRows(db, disk, reading);
  }
  kestrine::WriteReadingRows(
      db, nvme,
      {2500,
       "kestrine",
       "\\\\.\\PHYSICALDRIVE192",
       std::nullopt,
       std::nullopt,
       {{kestrine::kNvmeItemBase + 1, {}, {}, {}, kestrine::Counter128{4}},
        {kestrine::kNvmeItemBase + 14, {}, {}, {}, kestrine::Counter128{7, 1}}},
       std::nullopt});
  const Bytes rows = kestrine::fuzzing::DumpHistoryRows(db);
  sqlite3_close(db);
  for (const std::uint8_t choice : {0x00, 0x0F, 0x1F}) {
    Bytes seed{choice};
    seed.insert(seed.end(), rows.begin(), rows.end());
    Write("history_rows_fuzz", choice == 0 ? "all" : choice == 0x0F ? "chosen" : "migrated", seed);
  }
}

// A folder's files in name order, so that every run numbers the seeds alike.
std::vector<fs::path> SortedFiles(const fs::path& folder) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

void CopyCaptured(const fs::path& captured) {
  for (const fs::path& file : SortedFiles(captured)) {
    const std::string name = file.filename().string();
    std::ifstream in(file, std::ios::binary);
    const Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (name.ends_with(".identify.bin")) Write("identify_decode_fuzz", name, bytes);
    if (name.ends_with(".smart.bin")) {
      Write("status_views_fuzz", name, bytes);
      // Attribute entries of the data block and of the thresholds beside it.
      const fs::path thresholds =
          file.parent_path() / (name.substr(0, name.size() - 10) + ".thresholds.bin");
      std::ifstream tin(thresholds, std::ios::binary);
      const Bytes t((std::istreambuf_iterator<char>(tin)), std::istreambuf_iterator<char>());
      if (bytes.size() >= 362 && t.size() >= 362) {
        Bytes input = {0};
        input.insert(input.end(), bytes.begin() + 2, bytes.begin() + 362);
        input.insert(input.end(), t.begin() + 2, t.begin() + 362);
        Write("attribute_view_fuzz", name, input);
      }
    }
  }
  const fs::path blobs = captured / "skdump-format";
  if (fs::is_directory(blobs)) {
    for (const fs::path& blob : SortedFiles(blobs)) {
      std::ifstream in(blob, std::ios::binary);
      Write("snapshot_file_fuzz", blob.filename().string(),
            Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
    }
  }
}

// NVMe requests to the Linux port's namespace, each answered with data, with a controller's
// error and by a kernel that refuses it.
void MakeNvmeAdminSeeds() {
  const kestrine::NvmeProtocolCommandBlock self_test =
      kestrine::BuildNvmeProtocolCommandBlock(kestrine::DeviceSelfTestCommand(kestrine::kStcShort));
  const struct {
    const char* name;
    Bytes block;
    bool command;
  } requests[] = {
      {"identify-controller", kestrine::BuildNvmeIdentifyControllerQuery(), false},
      {"identify-namespace", kestrine::BuildNvmeIdentifyNamespaceQuery(kestrine::kFirstNamespace),
       false},
      {"health-log",
       kestrine::BuildNvmeLogPageQuery(kestrine::kLogHealth, kestrine::nvme_health::kSize), false},
      {"self-test-log",
       kestrine::BuildNvmeLogPageQuery(kestrine::kLogSelfTest, kestrine::nvme_self_test_log::kSize),
       false},
      {"self-test", Bytes(self_test.begin(), self_test.end()), true},
  };
  const struct {
    const char* name;
    std::uint16_t status;
    std::uint8_t flags;
  } answers[] = {
      {"good", 0, 0}, {"invalid-field", 0x4002, 0}, {"refused", 0, kNvmePortKernelRefuses}};
  for (const auto& request : requests) {
    for (const auto& answer : answers) {
      InputWriter writer;
      writer.Put(static_cast<std::uint8_t>(kNvmePortInPlace | answer.flags |
                                           (request.command ? kNvmePortProtocolCommand : 0)));
      writer.Put16(answer.status);
      writer.Put16(0);
      writer.Put16(0);
      writer.Put16(static_cast<std::uint16_t>(request.block.size()));
      writer.Put16(static_cast<std::uint16_t>(request.block.size()));
      writer.PutBytes(request.block);
      Bytes data(request.block.size() - kestrine::nvme_query::kData, 0);
      for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<Byte>(i * 7);
      if (!request.command) writer.PutBytes(data);
      Write("nvme_admin_port_fuzz", std::string(request.name) + "-" + answer.name, writer.Bytes());
    }
  }
}

// The SCSI decoders' targets: the replies of the bay's two SAS disks.
void MakeScsiSeeds() {
  using kestrine::fuzzing::ScsiSeed;
  const std::vector<std::pair<std::string, kestrine::DriveImage>> disks = {
      {"sas-hdd", kestrine::SasHddImage()}, {"sas-ssd", kestrine::SasSsdImage()}};
  for (const auto& entry : disks) {
    const std::string& disk = entry.first;
    kestrine::SimBay bay;
    bay.AddDrive(0, entry.second);
    const kestrine::DeviceHandle handle =
        bay.Open("\\\\.\\PHYSICALDRIVE0", kestrine::Access::ReadWrite);
    const kestrine::ScsiBlocks blocks = kestrine::ReadScsiBlocks(bay, handle);
    for (const auto& target : kestrine::fuzzing::kScsiPageTargets) {
      std::vector<std::pair<std::string, Bytes>> seeds;
      auto add = [&](const std::string& what, const std::optional<Bytes>& bytes) {
        if (bytes) seeds.emplace_back(disk + "-" + what, *bytes);
      };
      switch (target.seed) {
        case ScsiSeed::Inquiry:
          add("inquiry", blocks.inquiry);
          break;
        case ScsiSeed::Vpd:
          for (const auto& [page, bytes] : blocks.vpd) add("vpd-" + std::to_string(page), bytes);
          break;
        case ScsiSeed::Capacity:
          add("capacity16", blocks.capacity16);
          add("capacity10", blocks.capacity10);
          break;
        case ScsiSeed::LogPage:
          for (const auto& [page, bytes] : blocks.log) {
            const bool counters = target.page == 0x03 && (page == 0x02 || page == 0x05);
            if (page == target.page || counters) add("log-" + std::to_string(page), bytes);
          }
          break;
        case ScsiSeed::IeMode:
          add("mode-1c", blocks.ie_mode);
          break;
        case ScsiSeed::Reply: {
          const kestrine::ScsiCommand inquiry = kestrine::DataInCommand(
              kestrine::InquiryCdb(std::nullopt, kestrine::scsi_size::kStandardInquiry),
              kestrine::scsi_size::kStandardInquiry);
          Bytes block =
              kestrine::BuildScsiPassThroughBlock(inquiry, kestrine::sat_block::kTimeOutSeconds);
          std::uint32_t returned = 0;
          bay.Control(handle, kestrine::kIoctlScsiPassThrough,
                      std::span<const Byte>(block.data(), kestrine::ScsiPassThroughInSize(inquiry)),
                      block, returned);
          block.resize(std::min<std::size_t>(returned, block.size()));
          add("inquiry-reply", block);
          break;
        }
        case ScsiSeed::Defects:
          add("defects12", blocks.defects12);
          add("defects10", blocks.defects10);
          break;
      }
      for (const auto& [name, bytes] : seeds) Write(target.name, name, bytes);
    }
  }
}

// Each log page of the seed drive under its decoder's selector, and the worn NVMe drive's
// Identify Controller and health log.
void MakeStatisticsSeeds() {
  using kestrine::fuzzing::StatisticsBlock;
  kestrine::DriveImage image;
  AddSeedStatistics(image);
  for (const auto& [address, page] : image.log_pages) {
    const auto [log, number] = address;
    StatisticsBlock kind = StatisticsBlock::kStatisticsPage;
    if (log == kestrine::kLogDirectoryAddress) kind = StatisticsBlock::kLogDirectory;
    if (log == kestrine::kSctStatusLogAddress) kind = StatisticsBlock::kSctStatus;
    if (log == kestrine::kDeviceStatisticsLogAddress && number == 0) {
      kind = StatisticsBlock::kPageList;
    }
    InputWriter writer;
    writer.Put(static_cast<std::uint8_t>(kind));
    writer.Put(static_cast<std::uint8_t>(
        kind == StatisticsBlock::kLogDirectory ? kestrine::kDeviceStatisticsLogAddress : number));
    writer.PutBytes(page);
    Write("statistics_logs_fuzz", "log-" + std::to_string(log) + "-page-" + std::to_string(number),
          writer.Bytes());
  }
  kestrine::SimBay bay;
  kestrine::AddDemoNvmeDrives(bay);
  const kestrine::NvmeBlocks& blocks = *bay.FindDrive(kestrine::kDemoWornNvmeSsd)->image.nvme;
  InputWriter writer;
  writer.Put(static_cast<std::uint8_t>(StatisticsBlock::kNvmeBlocks));
  writer.Put(0);
  writer.PutBytes(blocks.controller);
  writer.PutBytes(blocks.health);
  Write("statistics_logs_fuzz", "nvme-worn", writer.Bytes());
}

// Raw values of each format under a model its entry names.
void MakeRawFormatSeeds() {
  using namespace std::string_view_literals;
  // The model, and after a zero byte the pattern matched against it: string_view literals keep
  // the zero, which a C string would end at.
  const struct {
    const char* name;
    Byte id;
    std::uint64_t raw;
    std::string_view model;
  } values[] = {
      {"seagate-errors", 1, 0x0001'33423729, "ST1000DM003-1CH162\0ST(1000|2000)DM00[0-3]-.*"sv},
      {"seagate-timeouts", 188, 0x0001'0001'0001, "ST2000DM001-1CH164"},
      {"temperature", 194, 0x0036'000F'001C, "FUJITSU MHY2120BH\0F.*BH|X?"sv},
      {"intel-32mib", 241, 820, "INTEL SSDSA2CW120G3"},
      {"samsung-sectors", 242, 1000, "Samsung SSD 850 EVO 250GB"},
  };
  for (const auto& value : values) {
    InputWriter writer;
    writer.Put(value.id);
    for (int i = 0; i < 6; ++i) writer.Put(static_cast<std::uint8_t>(value.raw >> (8 * i)));
    const std::string_view model = value.model;
    const std::size_t split = model.find('\0');
    writer.PutBytes(model.substr(0, split));
    if (split != std::string_view::npos) {
      writer.Put(0);
      writer.PutBytes(model.substr(split + 1));
    }
    Write("raw_formats_fuzz", value.name, writer.Bytes());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: fuzz_seed_maker OUT_DIR [CAPTURED_DIR]\n";
    return 2;
  }
  out_dir = argv[1];
  const std::vector<kestrine::RecordedRequest> requests = AllRequests();
  MakeBaySeeds(requests);
  MakeSequenceSeeds(requests);
  MakeSgIoSeeds(requests);
  MakeNvmeAdminSeeds();
  MakeSnapshotSeeds();
  MakeNvmeSeeds();
  MakeNvmeSnapshotSeeds();
  MakeUsbBridgeSeeds();
  MakeFileNameSeeds();
  MakeConfigSeeds();
  MakeReportSeeds();
  MakeHistorySeeds();
  MakeScsiSeeds();
  MakeStatisticsSeeds();
  MakeRawFormatSeeds();
  if (argc > 2 && fs::is_directory(argv[2])) CopyCaptured(argv[2]);
  return 0;
}
