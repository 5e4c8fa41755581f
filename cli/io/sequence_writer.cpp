#include "io/sequence_writer.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <set>

#include "cli_error.h"
#include "io/image_file.h"

namespace pwcli {
namespace {

class SequenceWriter final : public FrameWriter {
public:
    explicit SequenceWriter(const std::string& text) : text_(text) { ParseSequencePattern(text, pattern_); }

    bool NeedsOrder() const override { return false; }

    void Write(int frame, const Frame& image) override
    {
        const std::string path = pattern_.FileFor(frame);
        const std::string partial = PartialName(path);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            writing_.insert(partial);
        }
        std::string error;
        const bool ok = WriteImage(partial, image, error);
        const bool renamed = ok && std::rename(partial.c_str(), path.c_str()) == 0;
        if (!renamed) std::remove(partial.c_str());
        {
            std::lock_guard<std::mutex> lock(mutex_);
            writing_.erase(partial);
        }
        if (!ok) throw CliError(kExitOutput, error);
        if (!renamed) throw CliError(kExitOutput, "cannot rename " + partial + " to " + path);
        ++written_;
    }

    void Finish() override {}

    void Abandon() override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const std::string& partial : writing_) std::remove(partial.c_str());
    }

    std::string Describe() const override
    {
        return std::to_string(written_.load()) + " frame file" + (written_ == 1 ? "" : "s") + " " + text_;
    }

private:
    std::string text_;
    SequencePattern pattern_;
    std::mutex mutex_;
    std::set<std::string> writing_;
    std::atomic<int> written_{0};
};

}  // namespace

std::unique_ptr<FrameWriter> OpenSequenceWriter(const std::string& pattern)
{
    SequencePattern p;
    if (!ParseSequencePattern(pattern, p)) UsageError("--output '" + pattern + "' has no frame-number placeholder");
    MakeParentFolder(p.FileFor(0));
    return std::make_unique<SequenceWriter>(pattern);
}

bool SequenceFrameComplete(const std::string& pattern, int frame, int width, int height)
{
    SequencePattern p;
    if (!ParseSequencePattern(pattern, p)) return false;
    // A full read: a file cut short by something else than this tool fails here and is rendered again.
    Frame image;
    std::string error;
    return ReadImage(p.FileFor(frame), Depth::k8, image, error) && image.width == width && image.height == height;
}

}  // namespace pwcli
