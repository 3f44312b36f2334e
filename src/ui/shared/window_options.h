// The window programs' own command-line options, the same in every front end.
#pragma once

namespace kestrine {

// Ends the program once the first refresh has finished (start-up timing).
inline constexpr char kQuitAfterFirstRefreshOption[] = "--quit-after-first-refresh";

// --smoke-test FILE: the window's self-check, which writes what the window shows to FILE
// (smoke_test_lines.h) and ends the program.
inline constexpr char kSmokeTestOption[] = "--smoke-test";

// Readings are not kept in the history.
inline constexpr char kNoHistoryOption[] = "--no-history";

}  // namespace kestrine
