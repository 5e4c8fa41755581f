// Image-sequence patterns and folder listings through the sequence reader's planning, nothing decoded: the
// placeholder, which names belong to the sequence, the span and its gaps, and the output's file names.
// Input: the pattern, then file names, each ended by a zero byte; the last 8 bytes choose frame 0's number.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "io/sequence_pattern.h"

namespace {

[[noreturn]] void Finding(const std::string& what)
{
    std::fprintf(stderr, "finding: %s\n", what.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    long long firstChoice = 0;
    if (size >= 8) {
        std::memcpy(&firstChoice, data + size - 8, 8);
        size -= 8;
    }
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) parts.emplace_back();
        else parts.back() += static_cast<char>(data[i]);
    }
    pwcli::SequencePattern pattern;
    if (!pwcli::ParseSequencePattern(parts[0], pattern)) return 0;
    const std::vector<std::string> names(parts.begin() + 1, parts.end());
    const std::vector<long long> numbers = pwcli::SequenceNumbersAmong(pattern, names);
    if (!std::is_sorted(numbers.begin(), numbers.end())) Finding("numbers out of order");
    const std::set<std::string> listed(names.begin(), names.end());
    const auto slash = pattern.prefix.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : pattern.prefix.substr(0, slash + 1);
    for (long long n : numbers) {
        const std::string file = pattern.FileFor(n);
        if (!listed.count(file.substr(folder.size()))) Finding("number " + std::to_string(n) + " names no listed file");
        if (!pattern.Matches(file)) Finding(file + " does not match its own pattern");
    }
    pwcli::NumberRuns(numbers);
    if (numbers.empty()) return 0;

    // Frame 0 at the lowest number, or at a chosen one at or below it, as a project's "first" is.
    const long long first = firstChoice < 0 ? numbers.front() : std::min(firstChoice, numbers.front());
    const pwcli::SequenceSpan span = pwcli::SpanOf(numbers, first);
    if (span.frameCount < 1) Finding("a sequence of no frames");
    for (long long n : span.missing) {
        if (n < first || n > numbers.back() || std::binary_search(numbers.begin(), numbers.end(), n))
            Finding("missing number " + std::to_string(n) + " is not a gap");
    }
    pwcli::NumberRuns(span.missing);
    // The output keeps the input's numbers.
    const pwcli::FrameFiles out{pattern, first};
    for (int frame : {0, span.frameCount - 1})
        if (!pattern.Matches(out.FileFor(frame))) Finding("output frame " + std::to_string(frame) + " misnamed");
    return 0;
}
