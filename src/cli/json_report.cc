#include "json_report.h"

#include <nlohmann/json.hpp>

#include "latin1_text.h"
#include "text_format.h"

namespace kestrine {

namespace {

using Json = nlohmann::ordered_json;  // keys in the order written: the window's page order

Json OptionalText(const std::optional<std::string>& text) {
  return text ? Json(Latin1ToUtf8(*text)) : Json(nullptr);
}

Json TextList(const std::vector<std::string>& texts) {
  Json list = Json::array();
  for (const std::string& text : texts) list.push_back(Latin1ToUtf8(text));
  return list;
}

Json ViewJson(const ViewReport& view) {
  Json rows = Json::array();
  for (const ViewRow& row : view.rows) {
    rows.push_back(
        Json{{"cells", TextList(row.cells)},
             {"background", row.background ? Json(RgbText(*row.background)) : Json(nullptr)}});
  }
  return Json{{"columns", TextList(view.columns)}, {"rows", std::move(rows)}};
}

Json DriveJson(const DriveReport& drive) {
  Json views = Json::object();
  for (const ViewReport& view : drive.views) views[view.name] = ViewJson(view);
  return Json{
      {"path", Latin1ToUtf8(drive.path)},
      {"drive_number", drive.drive_number ? Json(*drive.drive_number) : Json(nullptr)},
      // A file name as the system gave it; a name that is not UTF-8 is mended by the dump.
      {"snapshot", drive.snapshot ? Json(*drive.snapshot) : Json(nullptr)},
      {"status_bar", OptionalText(drive.status_bar)},
      {"condition", OptionalText(drive.condition)},
      // False where the health data (S.M.A.R.T. data, the NVMe health log) did not come: no
      // condition was judged, whether or not the drive answered IDENTIFY.
      {"health_data_read", drive.Read()},
      {"tray_hint", OptionalText(drive.tray_hint)},
      {"messages", TextList(drive.messages)},
      {"asleep", drive.LeftAsleep() ? Json(PowerModeName(drive.left_asleep)) : Json(nullptr)},
      {"views", std::move(views)},
  };
}

}  // namespace

std::string RgbText(Rgb colour) {
  return UpperHex(colour.red, 2) + UpperHex(colour.green, 2) + UpperHex(colour.blue, 2);
}

std::string RenderJson(const std::vector<DriveReport>& drives) {
  Json list = Json::array();
  for (const DriveReport& drive : drives) list.push_back(DriveJson(drive));
  const Json document{{"format", kJsonFormat}, {"drives", std::move(list)}};
  return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace kestrine
