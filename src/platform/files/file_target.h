// The checks on a file's name that every writer makes before it touches the file system, and the
// name of the temporary file it writes first. Plain text work, the same on every platform, so
// that it can be tested and fuzzed without a disk.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrine {

// A file's name as it can stand in a message: control characters (0x00-0x1F and 0x7F) as \xNN,
// every other byte as it is.
std::string PrintableFileName(std::string_view name);

// The last component of `path`, split at '/' and, with `windows` set, also at '\' and after a
// drive letter ("C:name"). Empty when the path ends in a separator.
std::string_view LastPathComponent(std::string_view path, bool windows);

// Why `path` can never name a file to be written, or nullopt. Everywhere: no last component, or
// one that is "." or "..". With `windows` set also the device namespaces ("\\.\", "\\?\" other
// than a drive or UNC path, "\??\", "\\?\GLOBALROOT"), a last component that names a device
// (CON, PRN, AUX, NUL, COM0-9, LPT0-9, CONIN$, CONOUT$, CLOCK$, with any extension and any
// trailing blanks or dots, as the system reads them) and a last component with a ':' (a stream
// of another file).
std::optional<std::string> TargetNameFault(std::string_view path, bool windows);

// The name of the temporary file written beside a target before it is renamed over it: short
// enough for any folder that can hold the target, whatever the target's own name, hidden where a
// leading dot hides files, and with nothing a system could read as a device. `random` picks one
// of 2^40 names.
std::string TemporaryFileName(std::uint64_t random);

// The length of every name TemporaryFileName gives.
inline constexpr std::size_t kTemporaryFileNameLength = 14;

// Whether `name` is one TemporaryFileName gives: a writer killed before its rename leaves such a
// file, which a later write in the same folder sweeps away once it is old enough.
bool IsTemporaryFileName(std::string_view name);

// How old a temporary file must be before a later write takes it for a killed writer's.
inline constexpr int kStaleTemporarySeconds = 600;

}  // namespace kestrine
