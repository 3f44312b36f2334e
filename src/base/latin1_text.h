// The program's texts are single bytes, each the ISO-8859-1 character of the same number; the
// terminal and JSON want UTF-8. These turn one into the other without ever failing on a byte.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrine {

// Each byte as the Unicode code point of the same number, in UTF-8 (always valid UTF-8).
std::string Latin1ToUtf8(std::string_view text);

// As Latin1ToUtf8, but safe to put on a terminal: control characters (0x00-0x1F, 0x7F-0x9F),
// which a drive's texts may hold and which a terminal would act on, are written as \xNN.
std::string TerminalText(std::string_view text);

// The number of characters of a UTF-8 text (its code points), for aligning columns.
std::size_t Utf8Length(std::string_view text);

}  // namespace kestrine
