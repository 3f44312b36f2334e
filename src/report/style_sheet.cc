#include "style_sheet.h"

#include <system_error>
#include <vector>

#include "report_texts.h"

namespace kestrine {

std::filesystem::path FindStyleSheet(const std::filesystem::path& program_directory) {
  std::vector<std::filesystem::path> folders = {program_directory};
  // Without a known program folder there is no data folder relative to it.
  if (!program_directory.empty()) folders.push_back(program_directory / kInstalledDataFolder);
  for (const std::filesystem::path& folder : folders) {
    const std::filesystem::path sheet = folder / texts::kStyleSheetName;
    std::error_code error;
    if (std::filesystem::is_regular_file(sheet, error)) return sheet.lexically_normal();
  }
  return {};
}

}  // namespace kestrine
