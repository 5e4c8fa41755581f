#include "music/pcm_decode.h"

#include <filesystem>
#include <vector>

#include "cli_error.h"
#include "engine/interrupt.h"
#include "io/subprocess.h"

namespace pwcli {

void DecodeMono(const std::string& path, const std::function<void(const float* samples, std::size_t count)>& take)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        throw CliError(kExitInput, "cannot read the music " + path + ": no such file");
    std::string streams, error;
    if (!RunCapture({"ffprobe", "-v", "error", "-show_entries", "stream=codec_type", "-of", "csv=p=0", "--", path},
                    streams, error))
        throw CliError(kExitInput, "cannot read the music " + path + ": " + error);
    if (streams.find("audio") == std::string::npos)
        UsageError(path + " has no audio track to find beats in; give the music as a file (--beats-from song.wav)");

    Subprocess ffmpeg({"ffmpeg", "-nostdin", "-v", "error", "-i", path, "-map", "0:a:0", "-vn", "-ac", "1", "-ar",
                       std::to_string(kAnalysisRate), "-f", "f32le", "-"},
                      Subprocess::Pipe::FromChild);
    if (!ffmpeg.Running()) throw CliError(kExitInput, "cannot read the music " + path + ": " + ffmpeg.Error());
    std::vector<float> block(1 << 16);
    for (;;) {
        std::size_t got = 0;
        const bool whole = ffmpeg.Read(block.data(), block.size() * sizeof(float), &got);
        take(block.data(), got / sizeof(float));
        if (!whole) break;
        if (StopRequested().load()) {
            ffmpeg.Kill();
            throw CliError(kExitInterrupted, "interrupted while reading the music " + path);
        }
    }
    if (ffmpeg.Finish() != 0)
        throw CliError(kExitInput, "cannot read the music " + path + ": " + ffmpeg.ErrorOutput());
}

}  // namespace pwcli
