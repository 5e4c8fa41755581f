#include "io/raw_pixels.h"

#include <cstring>

namespace pwcli {

const char* PipePixelFormat(Depth depth) { return depth == Depth::k8 ? "argb" : "rgba64le"; }

std::size_t PipePixelBytes(Depth depth) { return depth == Depth::k8 ? 4 : 8; }

void PipeToHost16(const uint8_t* pipe, unsigned char* host, std::size_t pixels)
{
    for (std::size_t i = 0; i < pixels; ++i) {
        uint16_t s[4], d[4];
        std::memcpy(s, pipe + i * 8, 8);
        d[0] = FileToHost16(s[3]);
        d[1] = FileToHost16(s[0]);
        d[2] = FileToHost16(s[1]);
        d[3] = FileToHost16(s[2]);
        std::memcpy(host + i * 8, d, 8);
    }
}

void HostToPipe16(const unsigned char* host, uint8_t* pipe, std::size_t pixels)
{
    for (std::size_t i = 0; i < pixels; ++i) {
        uint16_t s[4], d[4];
        std::memcpy(s, host + i * 8, 8);
        d[0] = HostToFile16(s[1]);
        d[1] = HostToFile16(s[2]);
        d[2] = HostToFile16(s[3]);
        d[3] = HostToFile16(s[0]);
        std::memcpy(pipe + i * 8, d, 8);
    }
}

}  // namespace pwcli
