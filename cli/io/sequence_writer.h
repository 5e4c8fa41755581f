// An image sequence: one file per frame, numbered by frame, each written whole or not at all.
#pragma once

#include "io/frame_writer.h"
#include "io/sequence_pattern.h"

namespace pwcli {

std::unique_ptr<FrameWriter> OpenSequenceWriter(const std::string& pattern);

// Whether frame n's file is already complete: it exists under its final name (which only a finished write
// gives it) and reads back whole as an image of the expected size.
bool SequenceFrameComplete(const std::string& pattern, int frame, int width, int height);

}  // namespace pwcli
