#include "io/sequence_reader.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <set>

#include "cli_error.h"
#include "io/image_file.h"
#include "io/sequence_pattern.h"

namespace pwcli {
namespace {

void Fill(ClipInfo& info, const ImageFileInfo& first, const PixelRect& canvas)
{
    info.width = canvas.width;
    info.height = canvas.height;
    info.depth = first.depth;
    info.canvas = canvas;
    info.display = first.display;
}

class SequenceReader final : public FrameReader {
public:
    SequenceReader(const SequencePattern& pattern, long long first, const std::vector<long long>& numbers,
                   const ImageFileInfo& file, const PixelRect& canvas, bool windowed, const std::string& text)
        : pattern_(pattern), first_(first), numbers_(numbers.begin(), numbers.end())
    {
        info_.windowed = windowed;
        const long long last = numbers.back();
        Fill(info_, file, canvas);
        SequenceSpan span = SpanOf(numbers, first);
        info_.frameCount = span.frameCount;
        info_.missing = std::move(span.missing);
        info_.firstNumber = first;
        info_.description = DescribeClip(text, canvas.width, canvas.height, file.depth, info_.frameCount) +
                            ", files " + std::to_string(first) + " to " + std::to_string(last);
        if (info_.windowed) info_.description += ", with data windows";
    }

    const ClipInfo& Info() const override { return info_; }

    Frame Read(int n, Depth depth) override
    {
        const std::string path = pattern_.FileFor(first_ + n);
        if (!numbers_.count(first_ + n)) throw CliError(kExitInput, path + " is missing from the sequence");
        Frame frame;
        std::string error;
        if (!ReadImage(path, depth, frame, error, &info_.canvas)) throw CliError(kExitInput, error);
        return frame;
    }

    std::vector<std::string> Files() const override
    {
        std::vector<std::string> files;
        for (long long n : numbers_) files.push_back(pattern_.FileFor(n));
        return files;
    }

    std::string Stamp(int n) const override { return FileStamp(pattern_.FileFor(first_ + n)); }

private:
    SequencePattern pattern_;
    long long first_;
    std::set<long long> numbers_;
    ClipInfo info_;
};

class StillReader final : public FrameReader {
public:
    StillReader(const std::string& path, const ImageFileInfo& file, int length) : path_(path)
    {
        const PixelRect canvas = Union(file.display, file.data);
        Fill(info_, file, canvas);
        info_.windowed = file.Windowed();
        info_.frameCount = length;
        info_.description = DescribeClip(path + " (still)", canvas.width, canvas.height, file.depth, length);
    }

    const ClipInfo& Info() const override { return info_; }

    Frame Read(int, Depth depth) override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = cache_.find(depth);
        if (it == cache_.end()) {
            Frame frame;
            std::string error;
            if (!ReadImage(path_, depth, frame, error, &info_.canvas)) throw CliError(kExitInput, error);
            it = cache_.emplace(depth, std::move(frame)).first;
        }
        return it->second;
    }

    std::vector<std::string> Files() const override { return {path_}; }
    std::string Stamp(int) const override { return FileStamp(path_); }

private:
    std::string path_;
    ClipInfo info_;
    std::mutex mutex_;
    std::map<Depth, Frame> cache_;
};

}  // namespace

std::unique_ptr<FrameReader> OpenSequenceReader(const InputSpec& input)
{
    SequencePattern pattern;
    if (!ParseSequencePattern(input.path, pattern))
        throw CliError(kExitUsage, "'" + input.path + "' has no frame-number placeholder (%04d or ####)");
    std::vector<long long> numbers = FindSequenceNumbers(pattern);
    if (input.first) {
        numbers.erase(std::remove_if(numbers.begin(), numbers.end(), [&](long long n) { return n < *input.first; }),
                      numbers.end());
    }
    if (numbers.empty())
        throw CliError(kExitInput, "no files of the sequence '" + input.path + "' were found" +
                                       (input.first ? " from number " + std::to_string(*input.first) : ""));
    const long long first = input.first ? *input.first : numbers.front();
    // Every header up front: a file of another size or picture is found before anything renders, and the canvas
    // holds every frame's data window.
    ImageFileInfo head;
    std::string error;
    PixelRect canvas;
    bool windowed = false;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        const std::string path = pattern.FileFor(numbers[i]);
        ImageFileInfo file;
        if (!ProbeImage(path, file, error)) throw CliError(kExitInput, error);
        if (i == 0) {
            head = file;
            canvas = file.display;
        } else if (file.display != head.display) {
            auto size = [](const PixelRect& r) { return std::to_string(r.width) + "x" + std::to_string(r.height); };
            throw CliError(kExitInput, path + " is " + size(file.display) + (file.display.x || file.display.y ? " (offset)" : "") +
                                           ", but the sequence is " + size(head.display) + " (" +
                                           pattern.FileFor(numbers.front()) + ")");
        }
        canvas = Union(canvas, file.data);
        windowed = windowed || file.Windowed();
    }
    if (canvas.width > kMaxFrameSide || canvas.height > kMaxFrameSide)
        throw CliError(kExitInput, "the data windows of '" + input.path + "' span " + std::to_string(canvas.width) +
                                       "x" + std::to_string(canvas.height) + " pixels; the renderer takes at most " +
                                       std::to_string(kMaxFrameSide) + " a side");
    return std::make_unique<SequenceReader>(pattern, first, numbers, head, canvas, windowed, input.path);
}

std::unique_ptr<FrameReader> OpenStillReader(const InputSpec& input, int length)
{
    ImageFileInfo file;
    std::string error;
    if (!ProbeImage(input.path, file, error)) throw CliError(kExitInput, error);
    return std::make_unique<StillReader>(input.path, file, length);
}

}  // namespace pwcli
