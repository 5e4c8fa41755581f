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
    // Whether `path` is a name of this sequence (any number, with at least the pattern's padding).
    bool Matches(const std::string& path) const;
};

// The files of a rendered sequence: frame n is file number startNumber + n.
struct FrameFiles {
    SequencePattern pattern;
    long long startNumber = 0;
    std::string FileFor(int frame) const { return pattern.FileFor(startNumber + frame); }
};

// True when the path holds exactly one frame-number placeholder (%d, %0Nd or a run of #).
bool ParseSequencePattern(const std::string& path, SequencePattern& pattern);

// Ascending numbers as runs for a message: "1005, 1010-1012" (a few runs, then "and more").
std::string NumberRuns(const std::vector<long long>& numbers);

// The numbers of the files that exist for the pattern, ascending (hidden partial files are not counted).
std::vector<long long> FindSequenceNumbers(const SequencePattern& pattern);
// The same among the names of the files in the pattern's folder.
std::vector<long long> SequenceNumbersAmong(const SequencePattern& pattern, const std::vector<std::string>& names);

// The frames of a sequence whose frame 0 is file `first`, from its file numbers (ascending, none below `first`):
// as many as reach its last file, and the numbers missing among them (a bounded list).
struct SequenceSpan {
    int frameCount = 0;
    std::vector<long long> missing;
};
SequenceSpan SpanOf(const std::vector<long long>& numbers, long long first);

}  // namespace pwcli
