#include "project/json_location.h"

#include <algorithm>

#include <nlohmann/json.hpp>

namespace pwcli {

int LineOfKey(const std::string& text, const std::vector<std::string>& path, int occurrence)
{
    std::size_t at = 0;
    for (std::size_t k = 0; k < path.size(); ++k) {
        const std::string& key = path[k];
        int skip = k + 1 == path.size() ? occurrence : 0;
        // The key as JSON writes it, followed by a colon.
        const std::string quoted = nlohmann::json(key).dump();
        std::size_t found = std::string::npos;
        for (std::size_t p = text.find(quoted, at); p != std::string::npos; p = text.find(quoted, p + 1)) {
            std::size_t q = p + quoted.size();
            while (q < text.size() && (text[q] == ' ' || text[q] == '\t' || text[q] == '\r' || text[q] == '\n')) ++q;
            if (q < text.size() && text[q] == ':') {
                if (skip-- > 0) continue;
                found = p;
                break;
            }
        }
        if (found == std::string::npos) return 0;
        at = found + quoted.size();
    }
    if (path.empty()) return 0;
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
}

std::string Where(const std::string& text, const std::vector<std::string>& path, int occurrence)
{
    std::string joined;
    for (const std::string& key : path) joined += (joined.empty() ? "" : "/") + key;
    const int line = LineOfKey(text, path, occurrence);
    return line ? "line " + std::to_string(line) + ", " + joined : joined;
}

}  // namespace pwcli
