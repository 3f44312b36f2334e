#include "unit1.h"

namespace kestrine {

void TForm1::Button4Click() {}
void TForm1::Button2Click() {}

}  // namespace kestrine
