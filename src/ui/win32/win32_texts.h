// Texts shaped for the Windows API: the save dialog's filter and default extension, and the
// notification-area icon's hint in its fixed buffer. Plain standard C++, so that they are easy
// to check.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrine {

// "name|pattern|name|pattern" as the save dialog takes it: each part ended by a NUL, and one more
// NUL after the last pair. A name without a pattern is dropped; no pairs give an empty string
// (the dialog then gets no filter at all).
std::string DialogFilter(std::string_view filter);

// The default extension without a leading "*" or ".": "*.html" gives "html". A pattern that
// leaves no plain extension ("*.*", "*") gives an empty text: no extension is added.
std::string DialogDefaultExtension(std::string_view extension);

// `text` cut to fit a buffer of `buffer_size` characters with its terminating NUL, without
// leaving half of a CR LF line break at the end.
std::string FitTipText(std::string_view text, std::size_t buffer_size);

}  // namespace kestrine
