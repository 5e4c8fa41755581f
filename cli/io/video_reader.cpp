#include "io/video_reader.h"

#include <algorithm>
#include <cstring>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include <nlohmann/json.hpp>

#include "cli_error.h"
#include "host/buffer_pool.h"
#include "io/raw_pixels.h"
#include "io/subprocess.h"

namespace pwcli {
namespace {

// Decoded frames are kept a little behind the newest one asked for (threads ask a little out of order; the Time
// treatment looks back within a beat) and decoded a little ahead of it, on a thread of their own, so that
// decoding overlaps rendering and memory stays bounded whatever the length of the clip. A frame older than the
// oldest kept makes the decoder start again from the beginning. Every kept frame is memory touched afresh, which
// costs a large share of a frame's time where page faults are dear: keep what the render can reach, no more.
constexpr std::size_t kBehindBytes = std::size_t{256} << 20;
constexpr int kAheadFrames = 8;
constexpr int kOutOfOrder = 8;

class VideoReader final : public FrameReader {
public:
    VideoReader(const std::string& path, const VideoProbe& probe) : path_(path)
    {
        info_.width = probe.width;
        info_.height = probe.height;
        info_.depth = probe.depth;
        info_.frameCount = probe.frameCount;
        info_.fps = probe.fps;
        info_.audioCodec = probe.audioCodec;
        info_.canvas = info_.display = PixelRect{0, 0, probe.width, probe.height};
        info_.description = DescribeClip(path, probe.width, probe.height, probe.depth, probe.frameCount);
        // Float renders are fed from 16-bit decodes: no common video holds more.
        decodeDepth_ = probe.depth == Depth::k8 ? Depth::k8 : Depth::k16;
        keepDepth_ = decodeDepth_;
        const std::size_t frameBytes = static_cast<std::size_t>(probe.width) * probe.height * BytesPerPixel(decodeDepth_);
        mostBehind_ = static_cast<int>(std::clamp<std::size_t>(kBehindBytes / std::max<std::size_t>(frameBytes, 1),
                                                               kOutOfOrder, 64));
        behind_ = mostBehind_;
    }

    ~VideoReader() override
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable()) thread_.join();
    }

    const ClipInfo& Info() const override { return info_; }
    std::vector<std::string> Files() const override { return {path_}; }
    std::string Stamp(int) const override { return FileStamp(path_); }

    Frame Read(int n, Depth depth) override
    {
        const std::shared_ptr<const Frame> frame = Decoded(n);
        return frame->depth == depth ? *frame : ConvertDepth(*frame, depth);
    }

    std::shared_ptr<const Frame> Held(int n, Depth depth) override
    {
        std::shared_ptr<const Frame> frame = Decoded(n);
        return frame->depth == depth ? frame : nullptr;
    }

    void Prepare(Depth depth, int reach) override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (thread_.joinable()) return;
        keepDepth_ = depth;
        behind_ = std::clamp(reach + kOutOfOrder, kOutOfOrder, mostBehind_);
    }

    void ReadInto(int n, Depth depth, unsigned char* rows, std::size_t stride, int width, int height) override
    {
        const std::shared_ptr<const Frame> frame = Decoded(n);
        if (frame->depth == depth) CopyRows(*frame, rows, stride, width, height);
        else CopyRows(ConvertDepth(*frame, depth), rows, stride, width, height);
    }

private:
    // Frame n once the decoder has it.
    std::shared_ptr<const Frame> Decoded(int n)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!thread_.joinable()) thread_ = std::thread([this] { Decode(); });
        waiting_.insert(n);
        want_ = std::max(want_, n);
        changed_.notify_all();
        std::shared_ptr<const Frame> frame;
        while (true) {
            if (const auto it = cache_.find(n); it != cache_.end()) {
                frame = it->second;
                break;
            }
            if (!error_.empty()) {
                waiting_.erase(waiting_.find(n));
                throw CliError(kExitInput, error_);
            }
            if (ended_ && n >= next_) {
                // The stream held fewer frames than its header said: the last one holds.
                if (!last_) {
                    waiting_.erase(waiting_.find(n));
                    throw CliError(kExitInput, "ffmpeg decoded no frame of " + path_ + ": " + endMessage_);
                }
                frame = last_;
                break;
            }
            if (n < next_ && !restart_) {
                restart_ = true;
                changed_.notify_all();
            }
            changed_.wait(lock);
        }
        waiting_.erase(waiting_.find(n));
        return frame;
    }

    // The decoding thread: frames in order into the cache, a few ahead of the newest asked for.
    void Decode()
    {
        std::unique_ptr<Subprocess> decoder;
        std::vector<unsigned char> raw;
        std::unique_lock<std::mutex> lock(mutex_);
        while (!stop_) {
            if (restart_ || !decoder) {
                restart_ = false;
                ended_ = false;
                next_ = 0;
                lock.unlock();
                decoder.reset();
                std::vector<std::string> argv = {"ffmpeg", "-v", "error", "-nostdin", "-i", path_, "-map", "0:v:0",
                                                 "-fps_mode", "passthrough", "-f", "rawvideo", "-pix_fmt",
                                                 PipePixelFormat(decodeDepth_), "-"};
                decoder = std::make_unique<Subprocess>(argv, Subprocess::Pipe::FromChild);
                lock.lock();
                if (!decoder->Running()) {
                    error_ = "cannot decode " + path_ + ": " + decoder->Error();
                    changed_.notify_all();
                    break;
                }
                continue;
            }
            if (ended_ || next_ > want_ + kAheadFrames) {
                changed_.wait(lock);
                continue;
            }
            std::shared_ptr<Frame> frame = PooledFrame(decodeDepth_);
            lock.unlock();
            const bool got = DecodeOne(*decoder, frame, raw);
            lock.lock();
            if (restart_) continue;
            if (!got) {
                ended_ = true;
                endMessage_ = decoder->ErrorOutput();
                changed_.notify_all();
                continue;
            }
            last_ = frame;
            cache_[next_++] = frame;
            Evict();
            changed_.notify_all();
        }
    }

    // Frames behind the kept window go, unless a thread still waits for one.
    void Evict()
    {
        const int keepFrom = std::min(want_ - behind_, waiting_.empty() ? want_ : *waiting_.begin());
        while (!cache_.empty() && cache_.begin()->first < keepFrom) cache_.erase(cache_.begin());
    }

    // A frame whose memory goes back to the pool when its last user lets go of it, on whichever thread: a frame a
    // render still held when it left the window decodes a later one all the same.
    std::shared_ptr<Frame> PooledFrame(Depth depth)
    {
        auto frame = std::make_unique<Frame>();
        frame->width = info_.width;
        frame->height = info_.height;
        frame->depth = depth;
        frame->pixels = pool_->Take(static_cast<std::size_t>(info_.width) * info_.height * BytesPerPixel(depth));
        const std::shared_ptr<pwhost::BufferPool> pool = pool_;
        return std::shared_ptr<Frame>(frame.release(), [pool](Frame* f) {
            pool->Give(std::move(f->pixels));
            delete f;
        });
    }

    // What the decoder gives, in the depth the render asks for.
    bool DecodeOne(Subprocess& decoder, std::shared_ptr<Frame>& frame, std::vector<unsigned char>& raw)
    {
        if (!ReadOne(decoder, *frame, raw)) return false;
        if (keepDepth_ != decodeDepth_) {
            std::shared_ptr<Frame> converted = PooledFrame(keepDepth_);
            ConvertDepthInto(*frame, *converted);
            frame = std::move(converted);
        }
        return true;
    }

    // One raw frame from the decoder: 8-bit frames arrive in the host's order, deeper ones are converted.
    bool ReadOne(Subprocess& decoder, Frame& frame, std::vector<unsigned char>& raw)
    {
        if (decodeDepth_ == Depth::k8) return decoder.Read(frame.pixels.data(), frame.pixels.size());
        raw.resize(frame.pixels.size());
        if (!decoder.Read(raw.data(), raw.size())) return false;
        PipeToHost16(raw.data(), frame.pixels.data(), static_cast<std::size_t>(info_.width) * info_.height);
        return true;
    }

    std::string path_;
    ClipInfo info_;
    Depth decodeDepth_ = Depth::k8;
    Depth keepDepth_ = Depth::k8;  // of the frames kept
    int behind_ = 16;      // frames kept behind the newest asked for
    int mostBehind_ = 16;  // as many as kBehindBytes holds
    std::mutex mutex_;
    std::condition_variable changed_;
    std::thread thread_;
    bool stop_ = false, restart_ = false, ended_ = false;
    std::string error_, endMessage_;
    int next_ = 0;  // the frame the decoder gives next
    int want_ = 0;  // the newest frame asked for
    std::multiset<int> waiting_;
    std::map<int, std::shared_ptr<const Frame>> cache_;
    std::shared_ptr<const Frame> last_;
    std::shared_ptr<pwhost::BufferPool> pool_ = std::make_shared<pwhost::BufferPool>(kAheadFrames + kOutOfOrder);
};

bool ParseRate(const std::string& text, FrameRate& rate)
{
    std::string error;
    return text != "0/0" && !text.empty() && ParseFrameRate(text, rate, error);
}

Depth DepthOfPixFmt(const std::string& fmt)
{
    if (fmt.find("f32") != std::string::npos || fmt.find("f16") != std::string::npos) return Depth::kFloat;
    for (const char* deep : {"p9", "p10", "p12", "p14", "p16", "48", "64", "10le", "12le", "16le", "10be", "12be", "16be"})
        if (fmt.find(deep) != std::string::npos) return Depth::k16;
    return Depth::k8;
}

}  // namespace

VideoProbe ProbeVideo(const std::string& path)
{
    std::string out, error;
    if (!RunCapture({"ffprobe", "-v", "error", "-select_streams", "v:0", "-count_packets", "-show_entries",
                     "stream=width,height,r_frame_rate,avg_frame_rate,nb_frames,nb_read_packets,pix_fmt", "-of",
                     "json", path},
                    out, error))
        throw CliError(kExitInput, "cannot read " + path + ": " + error);
    VideoProbe probe;
    try {
        const auto root = nlohmann::json::parse(out);
        if (!root.contains("streams") || root["streams"].empty())
            throw CliError(kExitInput, path + " has no video stream");
        const auto& s = root["streams"][0];
        probe.width = s.value("width", 0);
        probe.height = s.value("height", 0);
        const std::string frames = s.value("nb_read_packets", s.value("nb_frames", std::string("0")));
        probe.frameCount = static_cast<int>(std::min<long long>(std::stoll(frames), 10000000));
        probe.depth = DepthOfPixFmt(s.value("pix_fmt", std::string()));
        FrameRate rate;
        if (ParseRate(s.value("avg_frame_rate", std::string()), rate) ||
            ParseRate(s.value("r_frame_rate", std::string()), rate))
            probe.fps = rate;
    } catch (const CliError&) {
        throw;
    } catch (const std::exception&) {
        throw CliError(kExitInput, "cannot read " + path + ": ffprobe gave an answer this tool does not understand");
    }
    if (probe.width <= 0 || probe.height <= 0 || probe.frameCount <= 0)
        throw CliError(kExitInput, path + ": ffprobe finds no usable video frames");
    if (probe.width > kMaxFrameSide || probe.height > kMaxFrameSide)
        throw CliError(kExitInput, path + " is " + std::to_string(probe.width) + "x" + std::to_string(probe.height) +
                                       " pixels; the renderer takes frames of at most " +
                                       std::to_string(kMaxFrameSide) + " pixels a side");
    std::string sound;
    if (RunCapture({"ffprobe", "-v", "error", "-select_streams", "a:0", "-show_entries", "stream=codec_name", "-of",
                    "csv=p=0", path},
                   sound, error)) {
        while (!sound.empty() && (sound.back() == '\n' || sound.back() == '\r' || sound.back() == ',')) sound.pop_back();
        probe.audioCodec = sound;
    }
    return probe;
}

std::unique_ptr<FrameReader> OpenVideoReader(const std::string& path)
{
    return std::make_unique<VideoReader>(path, ProbeVideo(path));
}

}  // namespace pwcli
