#include "io/sequence_reader.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "cli_error.h"
#include "io/image_file.h"
#include "io/sequence_pattern.h"

namespace pwcli {
namespace {

class SequenceReader final : public FrameReader {
public:
    SequenceReader(const SequencePattern& pattern, long long first, const std::vector<long long>& numbers,
                   const ImageFileInfo& file, const std::string& text)
        : pattern_(pattern), first_(first), file_(file)
    {
        const long long last = numbers.back();
        info_.width = file.width;
        info_.height = file.height;
        info_.depth = file.depth;
        info_.frameCount = static_cast<int>(std::min<long long>(last - first + 1, 10000000));
        info_.description = DescribeClip(text, file.width, file.height, file.depth, info_.frameCount) +
                            ", files " + std::to_string(first) + " to " + std::to_string(last);
    }

    const ClipInfo& Info() const override { return info_; }

    Frame Read(int n, Depth depth) override
    {
        const std::string path = pattern_.FileFor(first_ + n);
        Frame frame;
        std::string error;
        if (!ReadImage(path, depth, frame, error)) throw CliError(kExitInput, error);
        if (frame.width != file_.width || frame.height != file_.height)
            throw CliError(kExitInput, path + " is " + std::to_string(frame.width) + "x" +
                                           std::to_string(frame.height) + ", but the sequence is " +
                                           std::to_string(file_.width) + "x" + std::to_string(file_.height));
        return frame;
    }

private:
    SequencePattern pattern_;
    long long first_;
    ImageFileInfo file_;
    ClipInfo info_;
};

class StillReader final : public FrameReader {
public:
    StillReader(const std::string& path, const ImageFileInfo& file, int length) : path_(path)
    {
        info_.width = file.width;
        info_.height = file.height;
        info_.depth = file.depth;
        info_.frameCount = length;
        info_.description = DescribeClip(path + " (still)", file.width, file.height, file.depth, length);
    }

    const ClipInfo& Info() const override { return info_; }

    Frame Read(int, Depth depth) override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = cache_.find(depth);
        if (it == cache_.end()) {
            Frame frame;
            std::string error;
            if (!ReadImage(path_, depth, frame, error)) throw CliError(kExitInput, error);
            it = cache_.emplace(depth, std::move(frame)).first;
        }
        return it->second;
    }

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
    ImageFileInfo file;
    std::string error;
    if (!ProbeImage(pattern.FileFor(numbers.front()), file, error)) throw CliError(kExitInput, error);
    return std::make_unique<SequenceReader>(pattern, first, numbers, file, input.path);
}

std::unique_ptr<FrameReader> OpenStillReader(const InputSpec& input, int length)
{
    ImageFileInfo file;
    std::string error;
    if (!ProbeImage(input.path, file, error)) throw CliError(kExitInput, error);
    return std::make_unique<StillReader>(input.path, file, length);
}

}  // namespace pwcli
