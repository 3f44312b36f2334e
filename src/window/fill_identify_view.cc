#include "identify_view_rows.h"
#include "unit1.h"

namespace kestrine {

void TForm1::FillIdentifyView(Byte drive_number) {
  for (IdentifyViewRow& row : IdentifyViewRows(drv_.Tables().HDDInfo[drive_number])) {
    ui_.ListView2.AddRow({std::move(row.item), std::move(row.value)});
  }
}

}  // namespace kestrine
