// The schema checker.
#include "SchemaCheck.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace sw::report::testing {

namespace {

using nlohmann::json;

bool HasType(const json& v, const std::string& type) {
  if (type == "object") return v.is_object();
  if (type == "array") return v.is_array();
  if (type == "string") return v.is_string();
  if (type == "integer") return v.is_number_integer();
  if (type == "number") return v.is_number();
  if (type == "boolean") return v.is_boolean();
  if (type == "null") return v.is_null();
  throw std::invalid_argument("schema type not supported: " + type);
}

class Checker {
 public:
  explicit Checker(const json& root) : root_(root) {}

  void Check(const json& schema, const json& v, const std::string& path) {
    for (const auto& [key, rule] : schema.items()) {
      if (key == "$ref") {
        const std::string prefix = "#/$defs/";
        Check(root_.at("$defs").at(rule.get<std::string>().substr(prefix.size())), v, path);
      } else if (key == "type") {
        bool any = false;
        for (const json& t : rule.is_array() ? rule : json::array({rule})) any = any || HasType(v, t);
        if (!any) Fail(path, "is not of type " + rule.dump());
      } else if (key == "const") {
        if (v != rule) Fail(path, "is not " + rule.dump());
      } else if (key == "enum") {
        if (std::find(rule.begin(), rule.end(), v) == rule.end()) Fail(path, v.dump() + " not in " + rule.dump());
      } else if (key == "minimum") {
        if (v.is_number() && v.get<double>() < rule.get<double>()) Fail(path, "below the minimum");
      } else if (key == "required") {
        for (const json& name : rule) {
          if (v.is_object() && !v.contains(name.get<std::string>())) Fail(path, "lacks " + name.dump());
        }
      } else if (key == "properties") {
        if (!v.is_object()) continue;
        for (const auto& [name, sub] : rule.items()) {
          if (v.contains(name)) Check(sub, v.at(name), path + "/" + name);
        }
      } else if (key == "additionalProperties") {
        if (!v.is_object() || rule != false) continue;
        for (const auto& [name, value] : v.items()) {
          if (!schema.at("properties").contains(name)) Fail(path, "has unknown field " + name);
        }
      } else if (key == "minItems") {
        if (v.is_array() && v.size() < rule.get<std::size_t>()) Fail(path, "has fewer than " + rule.dump() + " items");
      } else if (key == "allOf") {
        for (const json& sub : rule) Check(sub, v, path);
      } else if (key == "items") {
        if (!v.is_array()) continue;
        for (std::size_t i = 0; i < v.size(); ++i) Check(rule, v[i], path + "/" + std::to_string(i));
      } else if (key == "if") {
        Checker probe(root_);
        probe.Check(rule, v, path);
        const char* branch = probe.violations_.empty() ? "then" : "else";
        if (schema.contains(branch)) Check(schema.at(branch), v, path);
      } else if (key != "then" && key != "else" && key != "$schema" && key != "title" &&
                 key != "$defs") {
        throw std::invalid_argument("schema keyword not supported: " + key);
      }
    }
  }

  std::vector<std::string> violations_;

 private:
  void Fail(const std::string& path, const std::string& what) {
    violations_.push_back((path.empty() ? "/" : path) + ": " + what);
  }
  const json& root_;
};

}  // namespace

std::vector<std::string> SchemaViolations(const json& schema, const json& doc) {
  Checker c(schema);
  c.Check(schema, doc, "");
  return c.violations_;
}

json LoadResultSchema() {
  std::ifstream in(std::string(SW_SOURCE_DIR) + "/docs/sizewarden-result.schema.json");
  return json::parse(in);
}

}  // namespace sw::report::testing
