#include "host/settings.h"

namespace pwhost {
namespace {

A_long Scaled(A_long size, PF_RationalScale f)
{
    if (size <= 0) return 0;
    if (f.num <= 0 || f.den == 0) return size;
    const int64_t num = int64_t{size} * f.num;
    return static_cast<A_long>((num + f.den - 1) / f.den);
}

}  // namespace

A_long FrameWidth(const HostSettings& s) { return Scaled(s.width, s.downsampleX); }
A_long FrameHeight(const HostSettings& s) { return Scaled(s.height, s.downsampleY); }

}  // namespace pwhost
