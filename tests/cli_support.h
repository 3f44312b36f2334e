// Running kestrine-cli's logic in-process for the tests: over a bay the test holds, with its
// standard output and error caught.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli_run.h"
#include "device_port.h"
#include "fake_toolkit.h"
#include "json_report.h"
#include "json_schema.h"
#include "latin1_text.h"
#include "scratch_dir.h"
#include "snapshot_file.h"
#include "test_paths.h"

namespace kestrine::testing {

// Lends the test's port to the program, which owns the port it is given.
class BorrowedPort final : public DevicePort {
 public:
  explicit BorrowedPort(DevicePort& port) : port_(port) {}
  DeviceHandle Open(std::string_view path, Access access) override {
    return port_.Open(path, access);
  }
  bool Close(DeviceHandle handle) override { return port_.Close(handle); }
  bool Control(DeviceHandle handle, std::uint32_t code, std::span<const std::uint8_t> in,
               std::span<std::uint8_t> out, std::uint32_t& bytes_returned) override {
    return port_.Control(handle, code, in, out, bytes_returned);
  }
  void DebugText(std::string_view text) override { port_.DebugText(text); }
  OpenFailure LastOpenFailure() const override { return port_.LastOpenFailure(); }
  std::optional<std::uint32_t> NvmeNamespaceId(DeviceHandle handle) override {
    return port_.NvmeNamespaceId(handle);
  }
  std::optional<UsbId> UsbDeviceId(DeviceHandle handle) override {
    return port_.UsbDeviceId(handle);
  }

 private:
  DevicePort& port_;
};

inline const JsonSchema& CliJsonSchema() {
  static const JsonSchema schema =
      JsonSchema::FromFile(SourceDir() / "src" / "cli" / "kestrine-cli.schema.json");
  return schema;
}

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
  // The document, checked against the schema the repository publishes for it.
  nlohmann::json Json() const {
    nlohmann::json document = nlohmann::json::parse(out);
    for (const std::string& error : CliJsonSchema().Check(document)) ADD_FAILURE() << error;
    return document;
  }
};

// Runs the program's logic with `arguments`; without a port the system has no drives.
inline CliResult RunCliWith(const std::vector<std::string>& arguments, DevicePort* port = nullptr,
                            const std::string& program_directory = {}) {
  CliEnvironment environment;
  environment.program_directory = program_directory;
  environment.make_port = [port]() -> std::unique_ptr<DevicePort> {
    if (port == nullptr) return std::make_unique<NullDevicePort>();
    return std::make_unique<BorrowedPort>(*port);
  };
  std::ostringstream out;
  std::ostringstream err;
  CliResult result;
  result.status = CliMain(arguments, environment, out, err);
  result.out = out.str();
  result.err = err.str();
  return result;
}

// The views of a window's toolkit in the shape of the JSON document's "views".
inline nlohmann::json WindowViewsJson(const FakeToolkit& ui) {
  const std::pair<const char*, const MemoryListView*> pages[] = {{"Identify", &ui.ListView2},
                                                                 {"Attributes", &ui.ListView1},
                                                                 {"Self Test Logs", &ui.ListView3},
                                                                 {"General", &ui.ListView4},
                                                                 {"Statistics", &ui.ListView5}};
  nlohmann::json views = nlohmann::json::object();
  for (const auto& [name, list] : pages) {
    nlohmann::json rows = nlohmann::json::array();
    const auto columns = list->ColumnCaptions();
    for (int row = 0; row < list->ItemCount(); ++row) {
      nlohmann::json cells = nlohmann::json::array();
      for (int column = 0; column < static_cast<int>(columns.size()); ++column)
        cells.push_back(Latin1ToUtf8(list->CellText(row, column)));
      const auto background = list->RowBackground(row);
      rows.push_back({{"cells", cells},
                      {"background", background ? nlohmann::json(RgbText(*background))
                                                : nlohmann::json(nullptr)}});
    }
    views[name] = {{"columns", columns}, {"rows", rows}};
  }
  return views;
}

}  // namespace kestrine::testing
