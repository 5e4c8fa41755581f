#include "io/frame.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

namespace pwcli {
namespace {

template <class T>
T Load(const unsigned char* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <class T>
void Store(unsigned char* p, T v)
{
    std::memcpy(p, &v, sizeof v);
}

double Clamp01(double v) { return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v); }

// Writes channel c of pixel x in row y from a 0..1 value.
void StoreUnit(Frame& frame, int x, int y, int c, double v)
{
    unsigned char* p = frame.Row(y) + static_cast<std::size_t>(x) * BytesPerPixel(frame.depth);
    switch (frame.depth) {
    case Depth::k8: p[c] = static_cast<unsigned char>(std::lround(Clamp01(v) * 255.0)); break;
    case Depth::k16: Store<uint16_t>(p + 2 * c, static_cast<uint16_t>(std::lround(Clamp01(v) * kWhite16))); break;
    case Depth::kFloat: Store<float>(p + 4 * c, static_cast<float>(v)); break;
    }
}

}  // namespace

std::size_t BytesPerPixel(Depth depth)
{
    switch (depth) {
    case Depth::k8: return 4;
    case Depth::k16: return 8;
    case Depth::kFloat: return 16;
    }
    return 4;
}

const char* DepthName(Depth depth)
{
    switch (depth) {
    case Depth::k8: return "8";
    case Depth::k16: return "16";
    case Depth::kFloat: return "float";
    }
    return "?";
}

bool ParseDepth(const std::string& text, Depth& depth)
{
    std::string t;
    for (char c : text) t += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (t == "8") depth = Depth::k8;
    else if (t == "16") depth = Depth::k16;
    else if (t == "32" || t == "float") depth = Depth::kFloat;
    else return false;
    return true;
}

Frame::Frame(int w, int h, Depth d) : width(w), height(h), depth(d)
{
    pixels.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * BytesPerPixel(d), 0);
}

double ChannelUnit(const Frame& frame, int x, int y, int c)
{
    const unsigned char* p = frame.Row(y) + static_cast<std::size_t>(x) * BytesPerPixel(frame.depth);
    switch (frame.depth) {
    case Depth::k8: return p[c] / 255.0;
    case Depth::k16: return Load<uint16_t>(p + 2 * c) / static_cast<double>(kWhite16);
    case Depth::kFloat: return Load<float>(p + 4 * c);
    }
    return 0.0;
}

Frame ConvertDepth(const Frame& frame, Depth depth)
{
    if (frame.depth == depth) return frame;
    Frame out(frame.width, frame.height, depth);
    ConvertDepthInto(frame, out);
    return out;
}

void ConvertDepthInto(const Frame& frame, Frame& out)
{
    for (int y = 0; y < frame.height; ++y)
        for (int x = 0; x < frame.width; ++x)
            for (int c = 0; c < 4; ++c) StoreUnit(out, x, y, c, ChannelUnit(frame, x, y, c));
}

Frame Downsample(const Frame& frame, int factor)
{
    if (factor <= 1) return frame;
    const int w = (frame.width + factor - 1) / factor;
    const int h = (frame.height + factor - 1) / factor;
    Frame out(w, h, frame.depth);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int x1 = std::min(frame.width, (x + 1) * factor);
            const int y1 = std::min(frame.height, (y + 1) * factor);
            for (int c = 0; c < 4; ++c) {
                double sum = 0.0;
                int n = 0;
                for (int sy = y * factor; sy < y1; ++sy)
                    for (int sx = x * factor; sx < x1; ++sx, ++n) sum += ChannelUnit(frame, sx, sy, c);
                StoreUnit(out, x, y, c, sum / n);
            }
        }
    return out;
}

Frame ResizeTo8(const Frame& frame, int width, int height)
{
    Frame out(width, height, Depth::k8);
    if (frame.Empty() || width <= 0 || height <= 0) return out;
    for (int y = 0; y < height; ++y) {
        const int y0 = static_cast<int>(static_cast<long long>(y) * frame.height / height);
        const int y1 = std::max(y0 + 1, static_cast<int>(static_cast<long long>(y + 1) * frame.height / height));
        for (int x = 0; x < width; ++x) {
            const int x0 = static_cast<int>(static_cast<long long>(x) * frame.width / width);
            const int x1 = std::max(x0 + 1, static_cast<int>(static_cast<long long>(x + 1) * frame.width / width));
            for (int c = 0; c < 4; ++c) {
                double sum = 0.0;
                int n = 0;
                for (int sy = y0; sy < std::min(y1, frame.height); ++sy)
                    for (int sx = x0; sx < std::min(x1, frame.width); ++sx, ++n) sum += ChannelUnit(frame, sx, sy, c);
                StoreUnit(out, x, y, c, n ? sum / n : 0.0);
            }
        }
    }
    return out;
}

}  // namespace pwcli
