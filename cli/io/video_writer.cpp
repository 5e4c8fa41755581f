#include "io/video_writer.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "cli_error.h"
#include "io/partial_registry.h"
#include "io/path_names.h"
#include "io/raw_pixels.h"
#include "io/safe_file.h"
#include "io/subprocess.h"

namespace pwcli {
namespace {

const char* const kVideoExtensions[] = {"mp4", "m4v", "mov", "mkv", "webm", "avi", "gif"};

class VideoWriter final : public FrameWriter {
public:
    // 8-bit renders go to ffmpeg as 8 bits per channel; deeper ones as 16, so that they keep their precision
    // where the codec has it.
    VideoWriter(const OutputSpec& output, int width, int height, const FrameRate& rate, Depth depth,
                const std::optional<AudioSource>& audio)
        : path_(output.path), partial_(PartialName(output.path)), guard_(partial_), width_(width), height_(height),
          depth_(depth == Depth::k8 ? Depth::k8 : Depth::k16)
    {
        MakeParentFolder(path_);
        std::vector<std::string> argv = {"ffmpeg", "-v", "error", "-nostdin", "-y", "-f", "rawvideo", "-pix_fmt",
                                         PipePixelFormat(depth_),
                                         "-s", std::to_string(width) + "x" + std::to_string(height),
                                         "-framerate", std::to_string(rate.num) + "/" + std::to_string(rate.den),
                                         "-i", "-"};
        const std::optional<AudioPlan> plan = audio ? PlanAudio(path_, audio->codec) : std::nullopt;
        if (plan) {
            char start[32];
            std::snprintf(start, sizeof start, "%.6f", audio->start);
            if (audio->start > 0) argv.insert(argv.end(), {"-ss", start});
            if (audio->span) {
                char span[32];
                std::snprintf(span, sizeof span, "%.6f", *audio->span);
                argv.insert(argv.end(), {"-t", span});
            }
            argv.insert(argv.end(), {"-i", audio->path, "-map", "0:v:0", "-map", "1:a:0"});
            if (plan->copy) argv.insert(argv.end(), {"-c:a", "copy"});
            else argv.insert(argv.end(), {"-c:a", plan->encoder});
        }
        for (const std::string& a : EncoderArgs(output, width, height, depth_)) argv.push_back(a);
        // The same frames make the same file: no random segment id or muxer version stamp in the container.
        argv.insert(argv.end(), {"-fflags", "+bitexact"});
        argv.push_back(partial_);
        encoder_ = std::make_unique<Subprocess>(argv, Subprocess::Pipe::ToChild);
        if (!encoder_->Running()) throw CliError(kExitOutput, "cannot encode " + path_ + ": " + encoder_->Error());
        frameBytes_ = static_cast<std::size_t>(width) * height * PipePixelBytes(depth_);
        if (depth_ != Depth::k8) buffer_.resize(frameBytes_);
    }

    ~VideoWriter() override
    {
        if (encoder_) Abandon();
    }

    bool NeedsOrder() const override { return true; }

    // Eight-bit frames go as they are; deeper ones are converted once.
    void Write(int, const Frame& image) override
    {
        const Frame converted = image.depth == depth_ ? Frame() : ConvertDepth(image, depth_);
        const Frame& f = image.depth == depth_ ? image : converted;
        const unsigned char* bytes = f.pixels.data();
        if (depth_ != Depth::k8) {
            HostToPipe16(f.pixels.data(), buffer_.data(), static_cast<std::size_t>(width_) * height_);
            bytes = buffer_.data();
        }
        if (!encoder_ || !encoder_->Write(bytes, frameBytes_))
            throw CliError(kExitOutput, "ffmpeg stopped encoding " + path_ + ": " + Reason());
        ++frames_;
    }

    void Finish() override
    {
        const int status = encoder_ ? encoder_->Finish() : -1;
        const std::string reason = Reason();
        encoder_.reset();
        if (status != 0) {
            std::remove(partial_.c_str());
            throw CliError(kExitOutput, "ffmpeg could not encode " + path_ + ": " + reason);
        }
        CommitPartial(partial_, path_);
    }

    void Abandon() override
    {
        if (encoder_) encoder_->Kill();
        encoder_.reset();
        std::remove(partial_.c_str());
    }

    std::string Describe() const override
    {
        return "a video of " + std::to_string(frames_) + " frame" + (frames_ == 1 ? "" : "s") + " " + path_;
    }

private:
    std::string Reason() const
    {
        const std::string text = encoder_ ? encoder_->ErrorOutput() : "";
        return text.empty() ? "no message" : text;
    }

    std::string path_, partial_;
    PartialGuard guard_;
    int width_, height_;
    Depth depth_;
    std::unique_ptr<Subprocess> encoder_;
    std::size_t frameBytes_ = 0;
    std::vector<unsigned char> buffer_;
    int frames_ = 0;
};

}  // namespace

bool IsVideoPath(const std::string& path)
{
    const std::string ext = Extension(path);
    for (const char* v : kVideoExtensions)
        if (ext == v) return true;
    return false;
}

std::string VideoExtensions()
{
    std::string out;
    for (const char* v : kVideoExtensions) out += (out.empty() ? "." : " .") + std::string(v);
    return out;
}

std::vector<std::string> EncoderArgs(const OutputSpec& output, int width, int height, Depth depth)
{
    const std::string ext = Extension(output.path);
    std::string codec = output.codec, pixFmt, crf = output.crf;
    std::vector<std::string> extra;
    if (ext == "mp4" || ext == "m4v") {
        if (codec.empty()) codec = "libx264";
        if (codec == "libx264" || codec == "libx265") {
            pixFmt = "yuv420p";
            if (crf.empty()) crf = "18";
            extra = {"-movflags", "+faststart"};
        }
    } else if (ext == "mov") {
        if (codec.empty()) codec = "prores_ks";
        if (codec == "prores_ks") {
            pixFmt = "yuva444p10le";  // ProRes 4444 keeps alpha
            extra = {"-profile:v", "4444"};
        }
    } else if (ext == "mkv") {
        if (codec.empty()) codec = "ffv1";
        if (codec == "ffv1") pixFmt = depth == Depth::k8 ? "rgba" : "rgba64le";  // lossless, alpha kept
    } else if (ext == "webm") {
        if (codec.empty()) codec = "libvpx-vp9";
        if (codec == "libvpx-vp9") {
            pixFmt = "yuva420p";
            if (crf.empty()) crf = "30";
            extra = {"-b:v", "0"};
        }
    }
    std::vector<std::string> args;
    if (!codec.empty()) args.insert(args.end(), {"-c:v", codec});
    if (!pixFmt.empty()) args.insert(args.end(), {"-pix_fmt", pixFmt});
    // 4:2:0 needs even sizes: pad by one pixel rather than fail.
    if (pixFmt.find("420") != std::string::npos && (width % 2 || height % 2))
        args.insert(args.end(), {"-vf", "pad=ceil(iw/2)*2:ceil(ih/2)*2"});
    if (!crf.empty()) args.insert(args.end(), {"-crf", crf});
    args.insert(args.end(), extra.begin(), extra.end());
    args.insert(args.end(), output.ffmpegArgs.begin(), output.ffmpegArgs.end());
    return args;
}

std::optional<AudioPlan> PlanAudio(const std::string& outputPath, const std::string& codec)
{
    const std::string ext = Extension(outputPath);
    auto among = [&](std::initializer_list<const char*> names) {
        for (const char* n : names)
            if (codec == n) return true;
        return false;
    };
    const bool pcm = codec.rfind("pcm_", 0) == 0;
    if (ext == "gif") return std::nullopt;
    if (ext == "mkv") return AudioPlan{true, ""};
    if (ext == "webm") return among({"opus", "vorbis"}) ? AudioPlan{true, ""} : AudioPlan{false, "libopus"};
    if (ext == "mov")
        return among({"aac", "mp3", "ac3", "alac"}) || pcm ? AudioPlan{true, ""} : AudioPlan{false, "aac"};
    if (ext == "avi") return among({"mp3", "ac3"}) || pcm ? AudioPlan{true, ""} : AudioPlan{false, "libmp3lame"};
    return among({"aac", "mp3", "ac3", "eac3", "alac", "opus", "flac"}) ? AudioPlan{true, ""} : AudioPlan{false, "aac"};
}

std::unique_ptr<FrameWriter> OpenVideoWriter(const OutputSpec& output, int width, int height, const FrameRate& rate,
                                             Depth depth, const std::optional<AudioSource>& audio)
{
    return std::make_unique<VideoWriter>(output, width, height, rate, depth, audio);
}

}  // namespace pwcli
