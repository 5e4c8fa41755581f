#include "io/video_reader.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include <nlohmann/json.hpp>

#include "cli_error.h"
#include "io/subprocess.h"

namespace pwcli {
namespace {

// Decoded frames kept for the Time treatment (which looks back within a beat) and for threads that ask out of
// order; a frame before the oldest kept one makes the decoder start again from the beginning.
constexpr std::size_t kCacheBytes = std::size_t{1536} << 20;

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
        const std::size_t frameBytes = static_cast<std::size_t>(probe.width) * probe.height * 8;
        capacity_ = std::max<std::size_t>(16, kCacheBytes / std::max<std::size_t>(frameBytes, 1));
    }

    const ClipInfo& Info() const override { return info_; }
    std::vector<std::string> Files() const override { return {path_}; }
    std::string Stamp(int) const override { return FileStamp(path_); }

    Frame Read(int n, Depth depth) override
    {
        std::shared_ptr<const Frame> frame;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            // 8-bit footage decoded once as 8-bit serves every depth; deeper footage is decoded at 16 bits.
            frame = Decoded(n);
        }
        return frame->depth == depth ? *frame : ConvertDepth(*frame, depth);
    }

private:
    std::shared_ptr<const Frame> Decoded(int n)
    {
        if (auto it = cache_.find(n); it != cache_.end()) return it->second;
        if (!decoder_ || n < next_) Restart();
        while (next_ <= n) {
            auto frame = std::make_shared<Frame>(info_.width, info_.height, decodeDepth_);
            if (!ReadOne(*frame)) {
                if (!last_)
                    throw CliError(kExitInput, "ffmpeg decoded no frame of " + path_ + ": " + decoder_->ErrorOutput());
                // The stream held fewer frames than its header said: the last one holds.
                return last_;
            }
            last_ = frame;
            cache_[next_++] = frame;
            while (cache_.size() > capacity_) cache_.erase(cache_.begin());
        }
        return cache_.at(n);
    }

    void Restart()
    {
        decoder_.reset();
        next_ = 0;
        std::vector<std::string> argv = {"ffmpeg", "-v", "error", "-nostdin", "-i", path_, "-map", "0:v:0",
                                         "-fps_mode", "passthrough", "-f", "rawvideo", "-pix_fmt",
                                         decodeDepth_ == Depth::k8 ? "rgba" : "rgba64le", "-"};
        decoder_ = std::make_unique<Subprocess>(argv, Subprocess::Pipe::FromChild);
        if (!decoder_->Running()) throw CliError(kExitInput, "cannot decode " + path_ + ": " + decoder_->Error());
        buffer_.resize(static_cast<std::size_t>(info_.width) * info_.height * BytesPerPixel(decodeDepth_));
    }

    // One raw frame from the decoder, turned from RGBA into the host's ARGB.
    bool ReadOne(Frame& frame)
    {
        if (!decoder_->Read(buffer_.data(), buffer_.size())) return false;
        const std::size_t count = static_cast<std::size_t>(info_.width) * info_.height;
        if (decodeDepth_ == Depth::k8) {
            for (std::size_t i = 0; i < count; ++i) {
                const unsigned char* s = &buffer_[i * 4];
                unsigned char* d = &frame.pixels[i * 4];
                d[0] = s[3];
                d[1] = s[0];
                d[2] = s[1];
                d[3] = s[2];
            }
        } else {
            for (std::size_t i = 0; i < count; ++i) {
                uint16_t s[4], d[4];
                std::memcpy(s, &buffer_[i * 8], 8);
                d[0] = FileToHost16(s[3]);
                d[1] = FileToHost16(s[0]);
                d[2] = FileToHost16(s[1]);
                d[3] = FileToHost16(s[2]);
                std::memcpy(&frame.pixels[i * 8], d, 8);
            }
        }
        return true;
    }

    std::string path_;
    ClipInfo info_;
    Depth decodeDepth_ = Depth::k8;
    std::size_t capacity_ = 16;
    std::mutex mutex_;
    std::unique_ptr<Subprocess> decoder_;
    int next_ = 0;
    std::map<int, std::shared_ptr<const Frame>> cache_;
    std::shared_ptr<const Frame> last_;
    std::vector<unsigned char> buffer_;
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
