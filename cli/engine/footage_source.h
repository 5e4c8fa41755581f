// The job's footage as the host's input layer: frame n of the reader at the time the host asks for, written
// straight into the host's world, reduced to its size when rendering at a downsampled resolution.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "host/frame_source.h"
#include "io/frame_reader.h"
#include "project/frame_rate.h"

namespace pwcli {

class ReaderSource final : public pwhost::FrameSource {
public:
    ReaderSource(std::shared_ptr<FrameReader> reader, const FrameRate& rate, Depth depth, int downsample)
        : reader_(std::move(reader)), rate_(rate), depth_(depth), downsample_(downsample)
    {
    }

    PF_Err Render(A_long time, A_u_long scale, PF_PixelFormat format, const PF_EffectWorld& world) override;
    // A decoded video frame is lent to the host as it is, kept alive until it comes back.
    const void* Lend(A_long time, A_u_long scale, PF_PixelFormat format, A_long width, A_long height,
                     A_long& rowbytes) override;
    void Return(const void* pixels) override;

    // The footage's failure during the last frame, taken once.
    std::string TakeError()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        std::string e;
        e.swap(error_);
        return e;
    }

private:
    int FrameAt(A_long time, A_u_long scale) const;
    void Keep(const std::string& text)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (error_.empty()) error_ = text;
    }

    std::shared_ptr<FrameReader> reader_;
    FrameRate rate_;
    Depth depth_;
    int downsample_;
    std::mutex mutex_;
    std::string error_;
    std::map<const void*, std::pair<std::shared_ptr<const Frame>, int>> lent_;  // with how often each is out
};

}  // namespace pwcli
