// The characters that HTML and the desktop's notification markup take as markup, and the entity
// each is written as in text.
#pragma once

#include <string_view>

namespace kestrine {

// The entity `c` is written as in HTML text or an attribute value; empty for a character that is
// written as it is.
constexpr std::string_view HtmlEntity(char c) {
  switch (c) {
    case '&':
      return "&amp;";
    case '<':
      return "&lt;";
    case '>':
      return "&gt;";
    case '"':
      return "&quot;";
    case '\'':
      return "&#39;";
    default:
      return {};
  }
}

}  // namespace kestrine
