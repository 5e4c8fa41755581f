// Which frames a job renders: a range, and the part of it that one machine of a render farm takes.
#pragma once

#include <string>

namespace pwcli {

struct FrameRange {
    int first = 0;
    int last = -1;  // inclusive; last < first is empty

    int Count() const { return last >= first ? last - first + 1 : 0; }
    bool Contains(int frame) const { return frame >= first && frame <= last; }
    bool operator==(const FrameRange& o) const { return first == o.first && last == o.last; }
};

// "A-B" (inclusive, A <= B) or a single frame "A"; frames are 0 or more.
bool ParseFrameRange(const std::string& text, FrameRange& range, std::string& error);

struct Shard {
    int index = 1;  // 1-based
    int count = 1;
};

// "I/N" with 1 <= I <= N.
bool ParseShard(const std::string& text, Shard& shard, std::string& error);

// The shard's contiguous part of the range: the N parts cover the range exactly, with no overlap or gap, and
// differ in length by at most one frame. A shard may be empty when N exceeds the frame count.
FrameRange ShardOf(const FrameRange& range, const Shard& shard);

}  // namespace pwcli
