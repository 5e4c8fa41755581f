#include "engine/footage_source.h"

#include <algorithm>

#include "cli_error.h"
#include "io/pixel_format.h"

namespace pwcli {

PF_Err ReaderSource::Render(A_long time, A_u_long scale, PF_PixelFormat format, const PF_EffectWorld& world)
{
    try {
        if (format != PixelFormatOf(depth_) || scale == 0) return PF_Err_BAD_CALLBACK_PARAM;
        const long long n = static_cast<long long>(time) * rate_.num / (static_cast<long long>(scale) * rate_.den);
        const int last = reader_->Info().frameCount - 1;
        const int frame = static_cast<int>(std::clamp<long long>(n, 0, last));
        auto* rows = static_cast<unsigned char*>(world.data);
        const auto stride = static_cast<std::size_t>(world.rowbytes);
        if (downsample_ > 1)
            CopyRows(Downsample(reader_->Read(frame, depth_), downsample_), rows, stride, world.width, world.height);
        else
            reader_->ReadInto(frame, depth_, rows, stride, world.width, world.height);
        return PF_Err_NONE;
    } catch (const CliError& e) {
        Keep(e.what());
    } catch (const std::exception& e) {
        Keep(e.what());
    }
    return PF_Err_INTERNAL_STRUCT_DAMAGED;
}

}  // namespace pwcli
