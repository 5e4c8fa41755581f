#include "io/frame_reader.h"

#include <algorithm>
#include <cstring>

#include <sys/stat.h>

#include "io/pattern_reader.h"
#include "io/sequence_reader.h"
#include "io/video_reader.h"

namespace pwcli {

std::unique_ptr<FrameReader> OpenReader(const InputSpec& input, const FrameRate& rate, int length)
{
    switch (input.kind) {
    case InputSpec::Kind::Pattern:
        return OpenPatternReader(input.width ? input.width : kDefaultPatternWidth,
                                 input.height ? input.height : kDefaultPatternHeight, length, rate);
    case InputSpec::Kind::Sequence: return OpenSequenceReader(input);
    case InputSpec::Kind::Still: return OpenStillReader(input, length);
    case InputSpec::Kind::Video: return OpenVideoReader(input.path);
    case InputSpec::Kind::None: break;
    }
    return nullptr;
}

void FrameReader::ReadInto(int n, Depth depth, unsigned char* rows, std::size_t stride, int width, int height)
{
    CopyRows(Read(n, depth), rows, stride, width, height);
}

void CopyRows(const Frame& frame, unsigned char* rows, std::size_t stride, int width, int height)
{
    const int h = std::min(frame.height, height);
    const std::size_t bytes = std::min(frame.RowBytes(), static_cast<std::size_t>(std::max(width, 0)) * BytesPerPixel(frame.depth));
    for (int y = 0; y < h; ++y) std::memcpy(rows + stride * static_cast<std::size_t>(y), frame.Row(y), bytes);
}

std::string FileStamp(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return "missing";
    return std::to_string(static_cast<long long>(st.st_size)) + ":" +
           std::to_string(static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec);
}

std::string DescribeClip(const std::string& name, int width, int height, Depth depth, int frames)
{
    return name + " (" + std::to_string(width) + "x" + std::to_string(height) + ", " + DepthName(depth) +
           (depth == Depth::kFloat ? "" : "-bit") + ", " + std::to_string(frames) + " frames)";
}

}  // namespace pwcli
