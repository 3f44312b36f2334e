#include "identify_view_rows.h"
#include "unit1.h"

namespace kestrine {

void TForm1::FillIdentifyView() {
  if (!reading_.identity.ata) return;
  for (IdentifyViewRow& row : IdentifyViewRows(*reading_.identity.ata)) {
    ui_.ListView2.AddRow({std::move(row.item), std::move(row.value)});
  }
}

}  // namespace kestrine
