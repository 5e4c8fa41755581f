// Any sound ffmpeg reads, as mono floating-point samples.
#pragma once

#include <string>
#include <vector>

namespace pwcli {

constexpr int kAnalysisRate = 44100;

// The first audio stream of `path`, mixed to mono at kAnalysisRate. Throws CliError: kExitInput when the file
// cannot be read, kExitUsage when it holds no sound.
std::vector<float> DecodeMono(const std::string& path);

}  // namespace pwcli
