#include "engine/footage_source.h"

#include <algorithm>

#include "cli_error.h"
#include "io/pixel_format.h"

namespace pwcli {

int ReaderSource::FrameAt(A_long time, A_u_long scale) const
{
    const long long n = static_cast<long long>(time) * rate_.num / (static_cast<long long>(scale) * rate_.den);
    return static_cast<int>(std::clamp<long long>(n, 0, reader_->Info().frameCount - 1));
}

const void* ReaderSource::Lend(A_long time, A_u_long scale, PF_PixelFormat format, A_long width, A_long height,
                               A_long& rowbytes)
{
    if (downsample_ > 1 || format != PixelFormatOf(depth_) || scale == 0) return nullptr;
    try {
        std::shared_ptr<const Frame> frame = reader_->Held(FrameAt(time, scale), depth_);
        if (!frame || frame->width != width || frame->height != height) return nullptr;
        rowbytes = static_cast<A_long>(frame->RowBytes());
        const void* pixels = frame->pixels.data();
        std::lock_guard<std::mutex> lock(mutex_);
        auto& entry = lent_[pixels];
        entry.first = std::move(frame);
        ++entry.second;
        return pixels;
    } catch (const std::exception&) {
        return nullptr;  // Render then reads it again and reports the failure
    }
}

void ReaderSource::Return(const void* pixels)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = lent_.find(pixels);
    if (it != lent_.end() && --it->second.second == 0) lent_.erase(it);
}

PF_Err ReaderSource::Render(A_long time, A_u_long scale, PF_PixelFormat format, const PF_EffectWorld& world)
{
    try {
        if (format != PixelFormatOf(depth_) || scale == 0) return PF_Err_BAD_CALLBACK_PARAM;
        const int frame = FrameAt(time, scale);
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
