#include "history_page.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "history_rows.h"
#include "history_statistics.h"
#include "history_summary.h"
#include "html_text.h"
#include "nvme_decode.h"
#include "text_format.h"

namespace kestrine {

namespace {

// The report's look (res/style.css): its font, its header cells, its warning colours.
constexpr char kStyle[] = R"css(
body { margin: 16px; font-family: "Segoe UI", Tahoma, "DejaVu Sans", Arial, sans-serif;
  font-size: 13px; color: #202020; background: #ffffff; }
h1 { font-size: 18px; margin: 0 0 8px 0; }
h2 { font-size: 14px; margin: 16px 0 6px 0; }
table { font: inherit; border-collapse: collapse; margin-bottom: 12px; }
td { padding: 3px 10px; border: 1px solid #c8c8c8; text-align: left; vertical-align: top; }
td.sub { font-weight: bold; color: #ffffff; background: #4a6785; border-color: #3d566f; }
td.num { text-align: right; }
section.drive { page-break-after: always; break-after: page; }
section.drive:last-of-type { page-break-after: auto; break-after: auto; }
svg { display: block; margin-bottom: 8px; }
svg text { font-family: inherit; font-size: 11px; fill: #404040; }
.axis { stroke: #808080; stroke-width: 1; }
.grid { stroke: #e0e0e0; stroke-width: 1; }
.temperature { fill: none; stroke: #2a5d9f; stroke-width: 1.5; }
.range { fill: #2a5d9f; fill-opacity: 0.18; stroke: none; }
.counter { fill: none; stroke: #b03030; stroke-width: 1.5; }
circle.temperature { fill: #2a5d9f; } circle.counter { fill: #b03030; }
.band-OK { fill: #80ff80; } .band-WARNING { fill: #ffb366; } .band-CRITICAL { fill: #ff8080; }
.band-none { fill: #e8e8e8; }
rect[class^="band"] { fill-opacity: 0.45; -webkit-print-color-adjust: exact; print-color-adjust: exact; }
.legend { font-size: 11px; color: #404040; margin-bottom: 12px; }
.swatch { display: inline-block; width: 10px; height: 10px; margin: 0 4px 0 10px;
  -webkit-print-color-adjust: exact; print-color-adjust: exact; }
)css";

constexpr int kWidth = 900;
constexpr int kLeft = 48;
constexpr int kRight = 12;
constexpr int kTop = 10;
constexpr int kBottom = 24;
constexpr int kTemperatureHeight = 220;
constexpr int kCounterHeight = 110;
// A chart draws at most this many columns: a year of readings becomes its range and average.
constexpr std::size_t kColumns = 600;

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

// A counter's place on a chart's scale.
double Approximately(const Counter128& value) {
  return static_cast<double>(value.high) * 18446744073709551616.0 + static_cast<double>(value.low);
}

// Where a time and a value stand in a chart.
struct Scale {
  std::int64_t first = 0, last = 0;
  double low = 0, high = 1;
  int height = 0;
  double X(std::int64_t time) const {
    const double span = last > first ? static_cast<double>(last - first) : 1.0;
    return kLeft + (kWidth - kLeft - kRight) * static_cast<double>(time - first) / span;
  }
  double Y(double value) const {
    const double span = high > low ? high - low : 1.0;
    return kTop + (height - kTop - kBottom) * (1.0 - (value - low) / span);
  }
};

// The value axis' steps: 1, 2 or 5 times a power of ten, the smallest that draws at most this
// many steps between the lowest and the highest value.
constexpr double kMostValueSteps = 6;
// The time axis' ticks: whole days up to this many, then Mondays, then firsts of months.
constexpr std::int64_t kMostTicks = 10;
constexpr std::int64_t kSecondsPerWeek = 7 * kSecondsPerDay;

double RoundStep(double span) {
  const double unit = std::pow(10.0, std::floor(std::log10(std::max(span, 1.0) / kMostValueSteps)));
  for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
    if (span / (unit * factor) <= kMostValueSteps) return std::max(unit * factor, 1.0);
  }
  return unit * 10;
}

// A value axis' label: a whole number as such, a very large one in three digits.
std::string AxisNumber(double value) {
  char text[32];
  std::snprintf(text, sizeof text, std::fabs(value) < 1e15 ? "%.0f" : "%.3g", value);
  return text;
}

struct Tick {
  std::int64_t time = 0;
  std::string label;
};

// The time axis' ticks inside [first, last]: each day's start, each Monday's or each first of a
// month's (every few months over years), whichever gives at most kMostTicks.
std::vector<Tick> TimeTicks(std::int64_t first, std::int64_t last) {
  namespace chrono = std::chrono;
  std::vector<Tick> ticks;
  // Times outside the years 1 to 9999 (a damaged history) get no ticks.
  constexpr std::int64_t kYear1 = -62135596800;
  constexpr std::int64_t kYear10000 = 253402300800;
  if (first < kYear1 || last >= kYear10000 || last < first) return ticks;
  const std::int64_t span = last - first;
  if (span / kSecondsPerDay <= kMostTicks || span / kSecondsPerWeek <= kMostTicks) {
    const bool weeks = span / kSecondsPerDay > kMostTicks;
    std::int64_t time = weeks ? WeekOf(first) : DayOf(first);
    for (; time <= last; time += weeks ? kSecondsPerWeek : kSecondsPerDay)
      if (time >= first) ticks.push_back({time, UtcDayText(time)});
    return ticks;
  }
  const auto month_of = [](std::int64_t time) {
    const chrono::year_month_day day{
        chrono::floor<chrono::days>(chrono::sys_seconds{chrono::seconds{time}})};
    return day.year() / day.month();
  };
  const chrono::year_month start = month_of(first);
  const chrono::year_month end = month_of(last);
  const int months = (end - start).count() + 1;
  const int every = static_cast<int>((months + kMostTicks - 1) / kMostTicks);
  for (chrono::year_month month = start; month <= end; month += chrono::months{every}) {
    const std::int64_t time =
        chrono::sys_seconds{chrono::sys_days{month / 1}}.time_since_epoch().count();
    if (time >= first) ticks.push_back({time, UtcDayText(time).substr(0, 7)});
  }
  return ticks;
}

std::string BandClass(const std::string& condition) {
  if (condition == "OK" || condition == "WARNING" || condition == "CRITICAL")
    return "band-" + condition;
  return "band-none";
}

// The frame of a chart: condition bands behind, grid lines at round values with their labels,
// and at the time axis' ticks with their dates (without a tick, the first and last times).
void AppendFrame(std::string& page, const Scale& scale, const DriveSummary& summary, bool bands,
                 double step) {
  const double bottom = scale.height - kBottom;
  if (bands) {
    for (std::size_t i = 0; i < summary.conditions.size(); ++i) {
      const double from = scale.X(summary.conditions[i].time);
      const double to = i + 1 < summary.conditions.size() ? scale.X(summary.conditions[i + 1].time)
                                                          : kWidth - kRight;
      page += "<rect class=\"" + BandClass(summary.conditions[i].condition) + "\" x=\"" +
              Number(from) + "\" y=\"" + std::to_string(kTop) + "\" width=\"" +
              Number(std::max(to - from, 1.0)) + "\" height=\"" + Number(bottom - kTop) + "\"/>\n";
    }
  }
  const auto line = [&page](const char* kind, double x1, double y1, double x2, double y2) {
    page += std::string("<line class=\"") + kind + "\" x1=\"" + Number(x1) + "\" y1=\"" +
            Number(y1) + "\" x2=\"" + Number(x2) + "\" y2=\"" + Number(y2) + "\"/>\n";
  };
  // step 0: no value to label.
  for (double value = scale.low; step > 0 && value <= scale.high + step / 2; value += step) {
    const double y = scale.Y(value);
    if (value > scale.low) line("grid", kLeft, y, kWidth - kRight, y);
    page += std::string("<text x=\"") + std::to_string(kLeft - 4) + "\" y=\"" + Number(y + 4) +
            "\" text-anchor=\"end\">" + AxisNumber(value) + "</text>\n";
  }
  const std::vector<Tick> ticks = TimeTicks(scale.first, scale.last);
  for (const Tick& tick : ticks) {
    const double x = scale.X(tick.time);
    line("grid", x, kTop, x, bottom);
    page += "<text x=\"" + Number(x) + "\" y=\"" + std::to_string(scale.height - 6) +
            "\" text-anchor=\"middle\">" + tick.label + "</text>\n";
  }
  if (ticks.empty()) {
    page += std::string("<text x=\"") + std::to_string(kLeft) + "\" y=\"" +
            std::to_string(scale.height - 6) + "\">" + UtcTimeText(scale.first) + "</text>\n";
    page += std::string("<text x=\"") + std::to_string(kWidth - kRight) + "\" y=\"" +
            std::to_string(scale.height - 6) + "\" text-anchor=\"end\">" + UtcTimeText(scale.last) +
            "</text>\n";
  }
  line("axis", kLeft, bottom, kWidth - kRight, bottom);
  line("axis", kLeft, kTop, kLeft, bottom);
}

// A reading alone draws no line: its point.
void AppendPoint(std::string& page, const char* kind, double x, double y) {
  page += std::string("<circle class=\"") + kind + "\" cx=\"" + Number(x) + "\" cy=\"" + Number(y) +
          "\" r=\"3\"/>\n";
}

// The time a chart spans: the readings', or a day around a single one.
Scale TimeScale(const DriveSummary& summary, int height) {
  Scale scale{summary.first, summary.last, 0, 1, height};
  if (scale.last == scale.first) {
    scale.first -= kSecondsPerDay / 2;
    scale.last += kSecondsPerDay / 2;
  }
  return scale;
}

void AppendTemperatureChart(std::string& page, const DriveHistory& history,
                            const DriveSummary& summary) {
  struct Column {
    int minimum = 0, maximum = 0;
    double sum = 0;
    int count = 0;
    std::int64_t time = 0;
  };
  std::vector<Column> columns(kColumns);
  Scale scale = TimeScale(summary, kTemperatureHeight);
  bool any = false;
  for (const HistoryPoint& point : history.points) {
    if (!point.temperature) continue;
    const double span = summary.last > summary.first ? double(summary.last - summary.first) : 1;
    const auto at = std::min<std::size_t>(
        kColumns - 1, static_cast<std::size_t>((point.time - summary.first) / span * kColumns));
    Column& column = columns[at];
    const int value = *point.temperature;
    column.minimum = column.count == 0 ? value : std::min(column.minimum, value);
    column.maximum = column.count == 0 ? value : std::max(column.maximum, value);
    column.sum += value;
    column.time = column.count == 0 ? point.time : column.time;
    ++column.count;
    scale.low = any ? std::min(scale.low, double(value)) : value;
    scale.high = any ? std::max(scale.high, double(value)) : value;
    any = true;
  }
  page += "<h2>Temperature (&#176;C) and condition</h2>\n";
  page += std::string("<svg width=\"") + std::to_string(kWidth) + "\" height=\"" +
          std::to_string(kTemperatureHeight) + "\" viewBox=\"0 0 " + std::to_string(kWidth) + " " +
          std::to_string(kTemperatureHeight) +
          "\" role=\"img\" aria-label=\"Temperature over time\">\n";
  const double step = RoundStep(scale.high - scale.low + 2);
  scale.low = std::floor((scale.low - 1) / step) * step;
  scale.high = std::ceil((scale.high + 1) / step) * step;
  AppendFrame(page, scale, summary, true, any ? step : 0);
  std::string top;
  std::string bottom;
  std::string line;
  std::size_t drawn = 0;
  for (const Column& column : columns) {
    if (column.count == 0) continue;
    ++drawn;
    const std::string x = Number(scale.X(column.time));
    top += x + "," + Number(scale.Y(column.maximum)) + " ";
    bottom = x + "," + Number(scale.Y(column.minimum)) + " " + bottom;
    line += x + "," + Number(scale.Y(column.sum / column.count)) + " ";
  }
  if (drawn == 1) {
    const auto only = std::ranges::find_if(columns, [](const Column& c) { return c.count > 0; });
    AppendPoint(page, "temperature", scale.X(only->time), scale.Y(only->sum / only->count));
  } else if (any) {
    page += "<polygon class=\"range\" points=\"" + top + bottom + "\"/>\n";
    page += "<polyline class=\"temperature\" points=\"" + line + "\"/>\n";
  } else {
    page += std::string("<text x=\"") + std::to_string(kWidth / 2) +
            "\" y=\"100\" text-anchor=\"middle\">No temperature was read</text>\n";
  }
  page += "</svg>\n";
  page += "<div class=\"legend\">Line: average; shade: lowest to highest.";
  for (const char* condition : {"OK", "WARNING", "CRITICAL"}) {
    page += "<span class=\"swatch " + BandClass(condition) + "\" style=\"background:" +
            std::string(condition[0] == 'O'   ? "#80ff80"
                        : condition[0] == 'W' ? "#ffb366"
                                              : "#ff8080") +
            "\"></span>" + condition;
  }
  page += "<span class=\"swatch\" style=\"background:#e8e8e8\"></span>not decided</div>\n";
}

void AppendCounterChart(std::string& page, const DriveSummary& summary,
                        const CounterChanges& counter) {
  Scale scale = TimeScale(summary, kCounterHeight);
  for (const TimedValue& change : counter.changes)
    scale.high = std::max(scale.high, Approximately(change.value));
  const double step = RoundStep(scale.high);
  scale.high = std::ceil(scale.high / step) * step;
  page += "<h2>" + PageText(HistoryItemName(counter.id)) + "</h2>\n";
  page += std::string("<svg width=\"") + std::to_string(kWidth) + "\" height=\"" +
          std::to_string(kCounterHeight) + "\" viewBox=\"0 0 " + std::to_string(kWidth) + " " +
          std::to_string(kCounterHeight) + "\" role=\"img\">\n";
  AppendFrame(page, scale, summary, false, step);
  std::string steps;
  for (std::size_t i = 0; i < counter.changes.size(); ++i) {
    const std::string y = Number(scale.Y(Approximately(counter.changes[i].value)));
    steps += Number(scale.X(counter.changes[i].time)) + "," + y + " ";
    const std::int64_t until =
        i + 1 < counter.changes.size() ? counter.changes[i + 1].time : summary.last;
    steps += Number(scale.X(until)) + "," + y + " ";
  }
  if (summary.first == summary.last) {
    AppendPoint(page, "counter", scale.X(summary.first),
                scale.Y(Approximately(counter.changes.back().value)));
  }
  page += "<polyline class=\"counter\" points=\"" + steps + "\"/>\n</svg>\n";
}

void AppendRow(std::string& page, std::initializer_list<std::string> cells, bool header = false) {
  page += "<tr>";
  for (const std::string& cell : cells) {
    page += header ? "<td class=\"sub\">" : "<td>";
    page += cell;
    page += "</td>";
  }
  page += "</tr>\n";
}

void AppendDrive(std::string& page, const DriveHistory& history) {
  const DriveSummary summary = Summarize(history);
  page += "<section class=\"drive\">\n<h1>" + PageText(history.drive.model) + "</h1>\n<table>\n";
  AppendRow(page, {"Serial", PageText(history.drive.serial)});
  AppendRow(page, {"Firmware", PageText(history.drive.firmware)});
  AppendRow(page, {"Family", PageText(history.drive.family)});
  AppendRow(page, {"Last read at", PageText(history.latest_path)});
  AppendRow(page, {"Readings", std::to_string(summary.readings)});
  if (summary.readings > 0) {
    AppendRow(page, {"First", UtcTimeText(summary.first) + " UTC"});
    AppendRow(page, {"Last", UtcTimeText(summary.last) + " UTC"});
  }
  if (const std::optional<WearProjection> wear_out = HistoryWearOut(history))
    AppendRow(page, {"Worn out by (projected)", WearOutText(*wear_out)});
  page += "</table>\n";
  if (summary.readings == 0) {
    page += "<p>No reading in the time asked for.</p>\n</section>\n";
    return;
  }
  AppendTemperatureChart(page, history, summary);
  // A counter that stayed at zero gets no chart: its table row says it.
  for (const CounterChanges& counter : summary.counters) {
    if (counter.changes.size() > 1 || counter.changes.front().value != Counter128{})
      AppendCounterChart(page, summary, counter);
  }

  page += "<h2>Condition</h2>\n<table>\n";
  AppendRow(page, {"Since (UTC)", "Condition"}, true);
  for (const ConditionChange& change : summary.conditions) {
    AppendRow(page, {UtcTimeText(change.time),
                     change.condition.empty() ? "not decided" : PageText(change.condition)});
  }
  page += "</table>\n";
  if (!summary.counters.empty()) {
    page += "<h2>Watched counters</h2>\n<table>\n";
    AppendRow(page, {"Counter", "Since (UTC)", "Raw value"}, true);
    for (const CounterChanges& counter : summary.counters) {
      for (const TimedValue& change : counter.changes) {
        AppendRow(page, {PageText(HistoryItemName(counter.id)), UtcTimeText(change.time),
                         DecimalText(change.value)});
      }
    }
    page += "</table>\n";
  }
  if (!summary.days.empty()) {
    page += "<h2>Temperature per day (&#176;C)</h2>\n<table>\n";
    AppendRow(page, {"Day (UTC)", "Lowest", "Average", "Highest"}, true);
    for (const DayTemperature& day : summary.days) {
      AppendRow(page, {UtcDayText(day.day), std::to_string(day.minimum), Number(day.average),
                       std::to_string(day.maximum)});
    }
    page += "</table>\n";
  }
  page += "</section>\n";
}

}  // namespace

std::string PageText(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (const std::string_view entity = HtmlEntity(c); !entity.empty()) {
      text += entity;
      continue;
    }
    if (byte < 0x20 || (byte >= 0x7F && byte < 0xA0)) {
      AppendEscapedByte(text, byte);
    } else {
      text += StoredText(std::string_view(&c, 1));
    }
  }
  return text;
}

std::string BuildHistoryPage(const std::vector<DriveHistory>& drives, std::int64_t generated) {
  std::string page =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<title>Kestrine: drive history</title>\n<style>";
  page += kStyle;
  page += "</style>\n</head>\n<body>\n";
  if (drives.empty()) page += "<p>The history holds no reading of the drives asked for.</p>\n";
  for (const DriveHistory& history : drives) AppendDrive(page, history);
  page +=
      "<hr>\n<p>Made by Kestrine on " + UtcTimeText(generated) + " UTC.</p>\n</body>\n</html>\n";
  return page;
}

}  // namespace kestrine
