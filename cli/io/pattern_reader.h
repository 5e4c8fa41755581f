// The host's moving test pattern as footage.
#pragma once

#include "io/frame_reader.h"

namespace pwcli {

constexpr int kDefaultPatternWidth = 640;
constexpr int kDefaultPatternHeight = 360;

std::unique_ptr<FrameReader> OpenPatternReader(int width, int height, int length, const FrameRate& rate);

}  // namespace pwcli
