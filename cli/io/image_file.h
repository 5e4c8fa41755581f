// Single image files through OpenImageIO, in the host's layout. Alpha is read and written unassociated
// (straight), as the host and the effect work, so values pass through a file unchanged. Files are encoded in
// memory and written whole (io/safe_file.h): a file under its real name is always complete.
#pragma once

#include <string>
#include <vector>

#include "io/frame.h"

namespace pwcli {

// A rectangle of pixels in a picture's display coordinates; x and y may be negative (overscan).
struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;

    bool Empty() const { return width <= 0 || height <= 0; }
    bool operator==(const PixelRect& o) const
    {
        return x == o.x && y == o.y && width == o.width && height == o.height;
    }
    bool operator!=(const PixelRect& o) const { return !(*this == o); }
};
// The smallest rectangle holding both (an empty one adds nothing).
PixelRect Union(const PixelRect& a, const PixelRect& b);

struct ImageFileInfo {
    Depth depth = Depth::k8;  // 8 for 8-bit files, 16 for up to 16-bit integers, float for half and float
    PixelRect data;           // the pixels the file holds (EXR's data window)
    PixelRect display;        // the picture they belong to (EXR's display window; the data window elsewhere)
    bool Windowed() const { return data != display; }
};

// Refuses files larger than the renderer takes (kMaxFrameSide), with the size and the limit.
bool ProbeImage(const std::string& path, ImageFileInfo& info, std::string& error);

// Reads the image converted to `depth`. Grey becomes red = green = blue; without alpha the frame is opaque.
// Without `canvas` the frame is the file's data window; with one, the frame is the canvas and the file's pixels
// sit at their place in it, transparent elsewhere.
bool ReadImage(const std::string& path, Depth depth, Frame& frame, std::string& error,
               const PixelRect* canvas = nullptr);

// The sample type a file of this extension gets for a frame of `depth`: the frame's own depth where the format
// has it (PNG 8/16, TIFF 8/16/float, EXR float, DPX 10-bit, JPEG 8). False for a format this tool does not write.
bool FileDepthFor(const std::string& path, Depth depth, Depth& fileDepth, std::string& error);

enum class ExrType { Float, Half };
// OpenEXR's compressions, by the names OpenImageIO and EXR tools use; "zip" first, the default.
const std::vector<std::string>& ExrCompressions();
bool IsExrCompression(const std::string& name);
std::string ExrCompressionList();  // "zip, none, rle, ..."

struct ImageWriteOptions {
    ExrType exrType = ExrType::Float;
    std::string exrCompression = "zip";
    // Where the frame's pixels sit: the frame covers `canvas` of the display window `display`. EXR keeps both
    // windows and writes as its data window the part of the canvas that holds anything; other formats get the
    // display window's part. An empty display: the frame is the picture.
    PixelRect canvas, display;
};

// The whole file in memory, as WriteImage would write it.
bool EncodeImage(const std::string& path, const Frame& frame, const ImageWriteOptions& options,
                 std::vector<unsigned char>& bytes, std::string& error);
// Encodes and writes it complete or not at all; false with the path and the reason.
bool WriteImage(const std::string& path, const Frame& frame, std::string& error, const ImageWriteOptions& options = {});

}  // namespace pwcli
