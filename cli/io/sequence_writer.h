// An image sequence: one file per frame, numbered by frame, each written whole or not at all, and each recorded in
// the sequence's manifest (io/sequence_manifest.h) once it is in place.
#pragma once

#include <functional>
#include <memory>

#include "io/frame_writer.h"
#include "io/image_file.h"
#include "io/sequence_manifest.h"
#include "io/sequence_pattern.h"

namespace pwcli {

struct SequenceTarget {
    FrameFiles files;
    ImageWriteOptions options;
    std::shared_ptr<ManifestWriter> manifest;  // may be null
    // What the input frame was when it was read, for the manifest.
    std::function<std::string(int frame)> inputStamp;
};

std::unique_ptr<FrameWriter> OpenSequenceWriter(SequenceTarget target);

}  // namespace pwcli
