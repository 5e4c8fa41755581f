// A project's JSON read strictly: a key given twice in one object, or a number too large for a double, is a
// mistake reported with its line and key, as every other mistake in a project is.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

namespace pwcli {

// Throws CliError(kExitUsage) "<fileName>: line N, <key path>: ..." (or the parser's own line and column).
nlohmann::json ParseJsonStrict(const std::string& text, const std::string& fileName);

}  // namespace pwcli
