// Any sound ffmpeg reads, as mono floating-point samples.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace pwcli {

constexpr int kAnalysisRate = 44100;

// The first audio stream of `path`, mixed to mono at kAnalysisRate, handed to `take` a block at a time as it is
// decoded. Throws CliError: kExitInput when the file cannot be read, kExitUsage when it holds no sound.
void DecodeMono(const std::string& path, const std::function<void(const float* samples, std::size_t count)>& take);

}  // namespace pwcli
