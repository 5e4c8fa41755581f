#include "project/frame_range.h"

#include <cerrno>
#include <cstdlib>

namespace pwcli {
namespace {

bool ParseCount(const std::string& text, long long& value)
{
    if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ') return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(text.c_str(), &end, 10);
    return end && *end == '\0' && errno == 0 && value <= 100000000;
}

}  // namespace

bool ParseFrameRange(const std::string& text, FrameRange& range, std::string& error)
{
    const auto dash = text.find('-');
    long long a = 0, b = 0;
    const bool ok = dash == std::string::npos ? ParseCount(text, a) && ParseCount(text, b)
                                              : ParseCount(text.substr(0, dash), a) &&
                                                    ParseCount(text.substr(dash + 1), b);
    if (!ok) {
        error = "'" + text + "' is not a frame range; give FIRST-LAST, as 0-95 (frames from 0 to 100000000)";
        return false;
    }
    if (b < a) {
        error = "frame range '" + text + "' ends before it starts";
        return false;
    }
    range.first = static_cast<int>(a);
    range.last = static_cast<int>(b);
    return true;
}

bool ParseShard(const std::string& text, Shard& shard, std::string& error)
{
    const auto slash = text.find('/');
    long long i = 0, n = 0;
    if (slash == std::string::npos || !ParseCount(text.substr(0, slash), i) ||
        !ParseCount(text.substr(slash + 1), n) || n < 1 || i < 1 || i > n || n > 100000) {
        error = "'" + text + "' is not a shard; give I/N with 1 <= I <= N, as 2/8";
        return false;
    }
    shard.index = static_cast<int>(i);
    shard.count = static_cast<int>(n);
    return true;
}

FrameRange ShardOf(const FrameRange& range, const Shard& shard)
{
    const long long n = range.Count();
    const long long begin = range.first + n * (shard.index - 1) / shard.count;
    const long long end = range.first + n * shard.index / shard.count;  // exclusive
    return FrameRange{static_cast<int>(begin), static_cast<int>(end - 1)};
}

}  // namespace pwcli
