#include "unit1.h"

namespace kestrine {

void TForm1::FillIdentifyView(Byte) {}

}  // namespace kestrine
