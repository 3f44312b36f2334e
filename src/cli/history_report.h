// kestrine-cli --history: what the history holds of the drives, as text, as JSON, or as the
// history page.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli_options.h"
#include "history_record.h"
#include "history_summary.h"

namespace kestrine {

struct CliEnvironment;

// Beyond kMostDaysShown days the temperature table is per week, beyond as many weeks per month,
// unless `every_day`.
inline constexpr std::size_t kMostDaysShown = 31;
void RenderHistoryText(const std::vector<DriveOverview>& drives, std::ostream& out,
                       bool every_day = false);
std::string RenderHistoryJson(const std::string& file, const std::vector<DriveOverview>& drives);

// The run of --history: reads the history `environment` names and writes it; the exit status.
int RunHistory(const CliOptions& options, const CliEnvironment& environment, std::ostream& out,
               std::ostream& err);

}  // namespace kestrine
