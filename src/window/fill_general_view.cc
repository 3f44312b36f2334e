#include "unit1.h"

namespace kestrine {

void TForm1::FillGeneralView() {}

}  // namespace kestrine
