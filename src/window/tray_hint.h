// What the tray icon tells of every drive: the shown drive's hint, then a short line for each
// other drive that is not OK, and a mark on the icon in the colour of the worst condition.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "tell.h"

namespace kestrine {

// The longest hint every platform shows whole: a Windows notification-area tip holds 128
// characters with its terminating zero.
inline constexpr std::size_t kTrayHintLength = 127;

// `shown_hint`, then "<path>: <condition>" for each drive of `conditions` (path to condition)
// other than `shown` that is WARNING or CRITICAL, as many as fit in kTrayHintLength; those that
// do not fit are counted on a last line ("and 2 more"). The shown drive's hint is never cut here.
std::string TrayHintText(std::string_view shown_hint, std::string_view shown,
                         const std::map<std::string, std::string>& conditions);

// The icon's mark: Error where a drive of `conditions` or `shown_condition` is CRITICAL,
// Warning where one is WARNING, Information (no mark) otherwise.
Severity TrayMark(std::string_view shown_condition,
                  const std::map<std::string, std::string>& conditions);

}  // namespace kestrine
