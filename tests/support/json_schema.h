// A small JSON Schema check, for the keywords kestrine-cli's schema uses: type, enum, minimum,
// maximum, pattern, required, properties, additionalProperties, items, oneOf and local $ref. A
// keyword it does not know is an error, so that the schema cannot say more than is checked.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace kestrine::testing {

class JsonSchema {
 public:
  explicit JsonSchema(nlohmann::json schema) : root_(std::move(schema)) {}

  static JsonSchema FromFile(const std::filesystem::path& file) {
    std::ifstream stream(file);
    return JsonSchema(nlohmann::json::parse(stream));
  }

  // The places where `document` breaks the schema, each as "path: what"; empty when none.
  std::vector<std::string> Check(const nlohmann::json& document) const {
    std::vector<std::string> errors;
    Check(root_, document, "$", errors);
    return errors;
  }

 private:
  static bool HasType(const nlohmann::json& value, const std::string& type) {
    if (type == "null") return value.is_null();
    if (type == "boolean") return value.is_boolean();
    if (type == "integer") return value.is_number_integer();
    if (type == "number") return value.is_number();
    if (type == "string") return value.is_string();
    if (type == "array") return value.is_array();
    if (type == "object") return value.is_object();
    return false;
  }

  void Check(const nlohmann::json& schema, const nlohmann::json& value, const std::string& at,
             std::vector<std::string>& errors) const {
    static const std::set<std::string> kIgnored = {"$schema", "$id", "$defs", "title",
                                                   "description"};
    for (const auto& [keyword, rule] : schema.items()) {
      if (kIgnored.contains(keyword)) continue;
      if (keyword == "$ref") {
        const std::string name = rule.get<std::string>().substr(std::string("#/$defs/").size());
        Check(root_.at("$defs").at(name), value, at, errors);
      } else if (keyword == "type") {
        bool any = false;
        for (const auto& type : rule.is_array() ? rule : nlohmann::json::array({rule}))
          any = any || HasType(value, type.get<std::string>());
        if (!any) errors.push_back(at + ": not of type " + rule.dump());
      } else if (keyword == "enum") {
        if (std::find(rule.begin(), rule.end(), value) == rule.end())
          errors.push_back(at + ": " + value.dump() + " not in " + rule.dump());
      } else if (keyword == "minimum" || keyword == "maximum") {
        if (value.is_number() && (keyword == "minimum" ? value < rule : value > rule))
          errors.push_back(at + ": " + value.dump() + " beyond " + keyword + " " + rule.dump());
      } else if (keyword == "pattern") {
        if (value.is_string() &&
            !std::regex_search(value.get<std::string>(), std::regex(rule.get<std::string>())))
          errors.push_back(at + ": " + value.dump() + " does not match " + rule.dump());
      } else if (keyword == "required") {
        for (const auto& key : rule)
          if (value.is_object() && !value.contains(key))
            errors.push_back(at + ": no " + key.dump());
      } else if (keyword == "properties") {
        if (!value.is_object()) continue;
        for (const auto& [key, sub] : rule.items())
          if (value.contains(key)) Check(sub, value.at(key), at + "." + key, errors);
      } else if (keyword == "additionalProperties") {
        if (!value.is_object()) continue;
        const nlohmann::json known = schema.value("properties", nlohmann::json::object());
        for (const auto& [key, sub] : value.items()) {
          if (known.contains(key)) continue;
          if (rule.is_boolean() && !rule.get<bool>()) errors.push_back(at + ": unknown " + key);
          if (rule.is_object()) Check(rule, sub, at + "." + key, errors);
        }
      } else if (keyword == "items") {
        if (!value.is_array()) continue;
        for (std::size_t i = 0; i < value.size(); ++i)
          Check(rule, value[i], at + "[" + std::to_string(i) + "]", errors);
      } else if (keyword == "oneOf") {
        int matches = 0;
        for (const auto& sub : rule) {
          std::vector<std::string> sub_errors;
          Check(sub, value, at, sub_errors);
          matches += sub_errors.empty() ? 1 : 0;
        }
        if (matches != 1)
          errors.push_back(at + ": matches " + std::to_string(matches) + " of oneOf");
      } else {
        errors.push_back(at + ": the check does not know the keyword " + keyword);
      }
    }
  }

  nlohmann::json root_;
};

}  // namespace kestrine::testing
