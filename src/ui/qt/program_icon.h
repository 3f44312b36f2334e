// The program's icon, drawn at start-up: a hard disk seen from above, with a green light.
#pragma once

#include <QIcon>

namespace kestrine {

QIcon ProgramIcon();

}  // namespace kestrine
