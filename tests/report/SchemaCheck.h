// A checker for the part of JSON Schema our document's schema uses: type, const, enum, minimum,
// minItems, required, properties, additionalProperties: false, items, allOf, $ref to #/$defs,
// if/then/else.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace sw::report::testing {

// Every way the document breaks the schema, as "path: what"; empty when it conforms.
std::vector<std::string> SchemaViolations(const nlohmann::json& schema, const nlohmann::json& doc);

// The schema of docs/ (SW_SOURCE_DIR is the repository).
nlohmann::json LoadResultSchema();

}  // namespace sw::report::testing
