#include "unit1.h"

namespace kestrine {

void TForm1::FillAttributeView(Byte) {}

void TForm1::EvaluateAttribute(const std::string&, int, int, int, int) {}

std::optional<Rgb> TForm1::ListView1CustomDrawItem(const ListView&, int) const {
  return std::nullopt;
}

}  // namespace kestrine
