// The window's readings kept in the history: every refresh that read a drive, a problem with the
// history told once in a message box (at a refresh the user asked for), never failing the
// refresh. A drive's first reading in this run is compared with its latest one in the history.
#pragma once

#include "history_recorder.h"
#include "unit1.h"

namespace kestrine {

// The program that stores the window's readings.
inline constexpr char kWindowProgramName[] = "kestrine";

// From now on every drive `form` reads is kept through `recorder`, which must outlive it.
void KeepReadingsIn(TForm1& form, HistoryRecorder& recorder);

}  // namespace kestrine
