// Raw frames as they cross the ffmpeg pipes. Eight-bit frames travel as "argb", the host's own byte order, and
// need no conversion; deeper ones as "rgba64le" (0..65535), converted once on each side.
#pragma once

#include <cstddef>
#include <cstdint>

#include "io/frame.h"

namespace pwcli {

// ffmpeg's name of the pipe format for a depth (8: "argb", else "rgba64le"), and its bytes per pixel.
const char* PipePixelFormat(Depth depth);
std::size_t PipePixelBytes(Depth depth);

// `pixels` pixels of rgba64le into the host's 16-bit ARGB, and back.
void PipeToHost16(const uint8_t* pipe, unsigned char* host, std::size_t pixels);
void HostToPipe16(const unsigned char* host, uint8_t* pipe, std::size_t pixels);

}  // namespace pwcli
