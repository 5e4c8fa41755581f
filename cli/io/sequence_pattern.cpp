#include "io/sequence_pattern.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace pwcli {

std::string SequencePattern::FileFor(long long number) const
{
    char digits[32];
    std::snprintf(digits, sizeof digits, "%0*lld", padding, number);
    return prefix + digits + suffix;
}

bool SequencePattern::Matches(const std::string& path) const
{
    if (path.size() <= prefix.size() + suffix.size()) return false;
    if (path.compare(0, prefix.size(), prefix) != 0) return false;
    if (path.compare(path.size() - suffix.size(), suffix.size(), suffix) != 0) return false;
    const std::string digits = path.substr(prefix.size(), path.size() - prefix.size() - suffix.size());
    return !digits.empty() && static_cast<int>(digits.size()) >= padding &&
           std::all_of(digits.begin(), digits.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

bool ParseSequencePattern(const std::string& path, SequencePattern& pattern)
{
    // Only the file name may hold the placeholder.
    const auto slash = path.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    int found = 0;
    SequencePattern out;
    for (std::size_t i = nameStart; i < path.size(); ++i) {
        if (path[i] == '%') {
            std::size_t j = i + 1;
            int width = 0;
            if (j < path.size() && path[j] == '0') ++j;
            while (j < path.size() && std::isdigit(static_cast<unsigned char>(path[j])) && width < 100)
                width = width * 10 + (path[j++] - '0');
            if (j < path.size() && path[j] == 'd') {
                if (++found > 1 || width > 12) return false;
                out.prefix = path.substr(0, i);
                out.suffix = path.substr(j + 1);
                out.padding = width;
                i = j;
            }
        } else if (path[i] == '#') {
            std::size_t j = i;
            while (j < path.size() && path[j] == '#') ++j;
            if (++found > 1 || j - i > 12) return false;
            out.prefix = path.substr(0, i);
            out.suffix = path.substr(j);
            out.padding = static_cast<int>(j - i);
            i = j - 1;
        }
    }
    if (found != 1 || out.suffix.find('%') != std::string::npos || out.suffix.find('#') != std::string::npos)
        return false;
    pattern = out;
    return true;
}

std::vector<long long> FindSequenceNumbers(const SequencePattern& pattern)
{
    namespace fs = std::filesystem;
    const auto slash = pattern.prefix.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : pattern.prefix.substr(0, slash + 1);
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    return SequenceNumbersAmong(pattern, names);
}

std::vector<long long> SequenceNumbersAmong(const SequencePattern& pattern, const std::vector<std::string>& names)
{
    const auto slash = pattern.prefix.find_last_of('/');
    const std::string namePrefix = slash == std::string::npos ? pattern.prefix : pattern.prefix.substr(slash + 1);
    std::vector<long long> numbers;
    for (const std::string& name : names) {
        if (name.size() <= namePrefix.size() + pattern.suffix.size()) continue;
        if (name.compare(0, namePrefix.size(), namePrefix) != 0) continue;
        if (name.compare(name.size() - pattern.suffix.size(), pattern.suffix.size(), pattern.suffix) != 0) continue;
        const std::string digits =
            name.substr(namePrefix.size(), name.size() - namePrefix.size() - pattern.suffix.size());
        if (digits.empty() || digits.size() > 15 || static_cast<int>(digits.size()) < pattern.padding) continue;
        if (!std::all_of(digits.begin(), digits.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
            continue;
        const long long n = std::stoll(digits);
        // Wider padding than the pattern's would be another file name for the same number.
        if (pattern.FileFor(n) != pattern.prefix + digits + pattern.suffix) continue;
        numbers.push_back(n);
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

SequenceSpan SpanOf(const std::vector<long long>& numbers, long long first)
{
    SequenceSpan span;
    if (numbers.empty() || numbers.back() < first) return span;
    const long long last = numbers.back();
    // Frames are counted in int; a span wider than the renderer takes is cut, never wrapped.
    const unsigned long long width = static_cast<unsigned long long>(last) - static_cast<unsigned long long>(first);
    span.frameCount = static_cast<int>(std::min<unsigned long long>(width, 10000000 - 1) + 1);
    std::size_t at = 0;
    for (long long n = first; n <= last && span.missing.size() < 100000; ++n) {
        while (at < numbers.size() && numbers[at] < n) ++at;
        if (at == numbers.size() || numbers[at] != n) span.missing.push_back(n);
        if (n == last) break;
    }
    return span;
}

std::string NumberRuns(const std::vector<long long>& numbers)
{
    std::string out;
    int runs = 0;
    for (std::size_t i = 0; i < numbers.size();) {
        std::size_t j = i;
        while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1) ++j;
        if (++runs > 6) {
            out += ", and more";
            break;
        }
        out += (out.empty() ? "" : ", ") + std::to_string(numbers[i]) +
               (j > i ? "-" + std::to_string(numbers[j]) : std::string());
        i = j + 1;
    }
    return out;
}

}  // namespace pwcli
