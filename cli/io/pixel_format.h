// The host's pixel format of a depth: the one place the renderer's depths meet the host's formats.
#pragma once

#include "ae_effect.h"
#include "io/frame.h"

namespace pwcli {

inline PF_PixelFormat PixelFormatOf(Depth d)
{
    switch (d) {
    case Depth::k8: return PF_PixelFormat_ARGB32;
    case Depth::k16: return PF_PixelFormat_ARGB64;
    case Depth::kFloat: return PF_PixelFormat_ARGB128;
    }
    return PF_PixelFormat_ARGB32;
}

}  // namespace pwcli
