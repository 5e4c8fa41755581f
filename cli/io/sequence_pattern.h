// Numbered file names of an image sequence: "shot.%04d.exr", "shot.####.exr" or "shot.%d.png".
#pragma once

#include <string>
#include <vector>

namespace pwcli {

struct SequencePattern {
    std::string prefix;  // directory included
    std::string suffix;
    int padding = 0;  // minimum digits; 0 for %d

    std::string FileFor(long long number) const;
};

// True when the path holds exactly one frame-number placeholder (%d, %0Nd or a run of #).
bool ParseSequencePattern(const std::string& path, SequencePattern& pattern);

// The numbers of the files that exist for the pattern, ascending (hidden partial files are not counted).
std::vector<long long> FindSequenceNumbers(const SequencePattern& pattern);

}  // namespace pwcli
