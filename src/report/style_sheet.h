// Where the report's style sheet is found.
#pragma once

#include <filesystem>

namespace kestrine {

// The data folder of an installed program, relative to the folder that holds the program
// (/usr/bin beside /usr/share/kestrine).
inline constexpr char kInstalledDataFolder[] = "../share/kestrine";

// The style sheet to copy beside a report: "style.css" in the program's own folder (a build
// tree, the folder the Windows programs sit in), else in the installed data folder. Only a
// regular file counts, or a link to one. Empty when neither place holds one. An empty program
// folder has no data folder: only "style.css" in the working folder is then looked at.
std::filesystem::path FindStyleSheet(const std::filesystem::path& program_directory);

}  // namespace kestrine
