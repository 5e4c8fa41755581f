// One picture as the CLI passes it between readers, the host and writers: the host's channel order (alpha, red,
// green, blue) and ranges (16-bit white is 32768), rows packed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pwcli {

enum class Depth { k8, k16, kFloat };

std::size_t BytesPerPixel(Depth depth);
const char* DepthName(Depth depth);  // "8", "16", "float"
// Accepts 8, 16, 32, float (any case); false for anything else.
bool ParseDepth(const std::string& text, Depth& depth);

constexpr int kWhite16 = 32768;
// The largest frame side the renderer takes, from any input (its worlds are allocated whole).
constexpr int kMaxFrameSide = 16384;

struct Frame {
    int width = 0;
    int height = 0;
    Depth depth = Depth::k8;
    std::vector<unsigned char> pixels;

    Frame() = default;
    Frame(int w, int h, Depth d);
    std::size_t RowBytes() const { return static_cast<std::size_t>(width) * BytesPerPixel(depth); }
    unsigned char* Row(int y) { return pixels.data() + RowBytes() * static_cast<std::size_t>(y); }
    const unsigned char* Row(int y) const { return pixels.data() + RowBytes() * static_cast<std::size_t>(y); }
    bool Empty() const { return width <= 0 || height <= 0; }
};

// Channel c (0 alpha, 1 red, 2 green, 3 blue) of pixel x in row y, as 0..1.
double ChannelUnit(const Frame& frame, int x, int y, int c);

// The same picture in another depth: 8 <-> 16 scale by 32768/255 and round, float clamps to 0..1 before narrowing.
Frame ConvertDepth(const Frame& frame, Depth depth);
// The same into `out`, whose size is the frame's and whose depth is the one wanted.
void ConvertDepthInto(const Frame& frame, Frame& out);

// Box-filtered reduction by an integer factor in each direction (the last partial block averages what it has).
Frame Downsample(const Frame& frame, int factor);

// Area-averaged resize to any smaller size (used for thumbnails); 8-bit result.
Frame ResizeTo8(const Frame& frame, int width, int height);

// 16-bit sample conversions between the host's range and a file's 0..65535.
inline uint16_t HostToFile16(uint16_t v)
{
    return v >= kWhite16 ? 65535 : static_cast<uint16_t>((uint32_t{v} * 65535u + 16384u) / 32768u);
}
inline uint16_t FileToHost16(uint16_t v) { return static_cast<uint16_t>((uint32_t{v} * 32768u + 32767u) / 65535u); }

}  // namespace pwcli
