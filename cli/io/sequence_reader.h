// Footage from image files: a numbered sequence (frame n is file first + n), or one still image held for
// every frame.
#pragma once

#include "io/frame_reader.h"

namespace pwcli {

std::unique_ptr<FrameReader> OpenSequenceReader(const InputSpec& input);
std::unique_ptr<FrameReader> OpenStillReader(const InputSpec& input, int length);

}  // namespace pwcli
