// Where a key sits in a JSON text, so that a message about a value can name its line.
#pragma once

#include <string>
#include <vector>

namespace pwcli {

// The 1-based line of the last key of `path` (object keys from the top), found by following the keys through the
// text in order, skipping `occurrence` earlier matches of the last one; 0 when it cannot be found.
int LineOfKey(const std::string& text, const std::vector<std::string>& path, int occurrence = 0);

// "line 12, params/BPM" (or just the path when the line is unknown).
std::string Where(const std::string& text, const std::vector<std::string>& path, int occurrence = 0);

}  // namespace pwcli
