#include "io/frame_writer.h"

#include <atomic>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "cli_error.h"
#include "io/image_file.h"
#include "io/sequence_pattern.h"
#include "io/video_writer.h"

namespace pwcli {

OutputKind ClassifyOutput(const std::string& path)
{
    if (path.empty()) return OutputKind::None;
    if (path == "null") return OutputKind::Null;
    SequencePattern pattern;
    if (ParseSequencePattern(path, pattern)) return OutputKind::Sequence;
    if (IsVideoPath(path)) return OutputKind::Video;
    Depth d;
    std::string error;
    if (FileDepthFor(path, Depth::k8, d, error))
        UsageError("--output '" + path + "': an image sequence needs a frame-number placeholder, as " +
                   "out.%04d.png or out.####.png");
    UsageError("--output '" + path + "': not an image sequence (.png .tif .exr .dpx .jpg with %04d or ####) nor a " +
               "video (" + VideoExtensions() + ")");
}

std::unique_ptr<FrameWriter> OpenNullWriter()
{
    class NullWriter final : public FrameWriter {
    public:
        bool NeedsOrder() const override { return false; }
        void Write(int, const Frame&) override { ++frames_; }
        void Finish() override {}
        void Abandon() override {}
        std::string Describe() const override { return "nothing (" + std::to_string(frames_) + " frames discarded)"; }

    private:
        std::atomic<int> frames_{0};
    };
    return std::make_unique<NullWriter>();
}

void CheckOutput(const OutputSpec& output, Depth depth)
{
    const OutputKind kind = ClassifyOutput(output.path);
    std::string error;
    Depth fileDepth;
    if (kind == OutputKind::Sequence) {
        if (!FileDepthFor(output.path, depth, fileDepth, error)) UsageError("--output: " + error);
        if (!output.codec.empty() || !output.crf.empty() || !output.ffmpegArgs.empty())
            UsageError("--codec, --crf and --ffmpeg-arg apply to video outputs, not to image sequences");
    }
}

}  // namespace pwcli
