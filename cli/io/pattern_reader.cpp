#include "io/pattern_reader.h"

#include <algorithm>
#include <cstring>

#include "host/test_pattern.h"
#include "io/pixel_format.h"

namespace pwcli {
namespace {

class PatternReader final : public FrameReader {
public:
    PatternReader(int width, int height, int length, const FrameRate& rate) : rate_(rate)
    {
        info_.width = width;
        info_.height = height;
        info_.depth = Depth::k8;
        info_.frameCount = length;
        info_.description = DescribeClip("test pattern", width, height, Depth::k8, length);
        info_.canvas = info_.display = PixelRect{0, 0, width, height};
    }

    const ClipInfo& Info() const override { return info_; }

    Frame Read(int n, Depth depth) override
    {
        // The host's own time of the frame, so that the pattern moves with the job's frame rate.
        const pwhost::Image image =
            pwhost::TestPatternImage(static_cast<A_long>(FrameToUnits(rate_, n)), static_cast<A_u_long>(rate_.num),
                                     PixelFormatOf(depth), info_.width, info_.height);
        Frame f(info_.width, info_.height, depth);
        std::memcpy(f.pixels.data(), image.bytes.data(), std::min(f.pixels.size(), image.bytes.size()));
        return f;
    }

private:
    ClipInfo info_;
    FrameRate rate_;
};

}  // namespace

std::unique_ptr<FrameReader> OpenPatternReader(int width, int height, int length, const FrameRate& rate)
{
    return std::make_unique<PatternReader>(width, height, length, rate);
}

}  // namespace pwcli
