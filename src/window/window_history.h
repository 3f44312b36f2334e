// The window's readings kept in the history: every refresh that read a drive, a problem with the
// history told once in a message box, never failing the refresh.
#pragma once

#include "history_recorder.h"
#include "unit1.h"

namespace kestrine {

// The program that stores the window's readings.
inline constexpr char kWindowProgramName[] = "kestrine";

// From now on every drive `form` reads is kept through `recorder`, which must outlive it.
void KeepReadingsIn(TForm1& form, HistoryRecorder& recorder);

}  // namespace kestrine
