// Single image files through OpenImageIO, in the host's layout. Alpha is read and written unassociated
// (straight), as the host and the effect work, so values pass through a file unchanged.
#pragma once

#include <string>

#include "io/frame.h"

namespace pwcli {

struct ImageFileInfo {
    int width = 0;
    int height = 0;
    Depth depth = Depth::k8;  // 8 for 8-bit files, 16 for up to 16-bit integers, float for half and float
};

bool ProbeImage(const std::string& path, ImageFileInfo& info, std::string& error);

// Reads the image converted to `depth`. Grey becomes red = green = blue; without alpha the frame is opaque.
bool ReadImage(const std::string& path, Depth depth, Frame& frame, std::string& error);

// The sample type a file of this extension gets for a frame of `depth`: the frame's own depth where the format
// has it (PNG 8/16, TIFF 8/16/float, EXR float, JPEG 8). False for a format this tool does not write.
bool FileDepthFor(const std::string& path, Depth depth, Depth& fileDepth, std::string& error);

// Writes the frame (with alpha, except to JPEG) in the file depth FileDepthFor chooses; straight to `path`.
bool WriteImage(const std::string& path, const Frame& frame, std::string& error);

}  // namespace pwcli
