#include "io/sequence_writer.h"

#include <atomic>

#include <fcntl.h>
#include <unistd.h>

#include "cli_error.h"
#include "io/content_hash.h"
#include "io/safe_file.h"

namespace pwcli {
namespace {

std::string NameOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

class SequenceWriter final : public FrameWriter {
public:
    explicit SequenceWriter(SequenceTarget target) : t_(std::move(target)) {}

    bool NeedsOrder() const override { return false; }

    void Write(int frame, const Frame& image) override
    {
        const std::string path = t_.files.FileFor(frame);
        std::vector<unsigned char> bytes;
        std::string error;
        if (!EncodeImage(path, image, t_.options, bytes, error)) throw CliError(kExitOutput, error);
        WriteFileWhole(path, bytes);
        if (t_.manifest) {
            ManifestEntry e;
            e.frame = frame;
            e.file = NameOf(path);
            e.job = t_.manifest->Job();
            e.input = t_.inputStamp ? t_.inputStamp(frame) : std::string();
            e.bytes = bytes.size();
            e.hash = HexOf(HashBytes(bytes.data(), bytes.size()));
            t_.manifest->Record(e);
        }
        ++written_;
    }

    // The renames themselves reach the disk too.
    void Finish() override
    {
        const auto slash = t_.files.pattern.prefix.find_last_of('/');
        const std::string dir = slash == std::string::npos ? "." : t_.files.pattern.prefix.substr(0, slash + 1);
        const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            ::fsync(fd);
            ::close(fd);
        }
    }

    // Every file in place is complete; there is nothing half-written to remove.
    void Abandon() override {}

    std::string Describe() const override
    {
        return std::to_string(written_.load()) + " frame file" + (written_ == 1 ? "" : "s") + " " +
               t_.files.pattern.prefix + std::string(static_cast<std::size_t>(std::max(t_.files.pattern.padding, 1)), '#') +
               t_.files.pattern.suffix;
    }

private:
    SequenceTarget t_;
    std::atomic<int> written_{0};
};

}  // namespace

std::unique_ptr<FrameWriter> OpenSequenceWriter(SequenceTarget target)
{
    MakeParentFolder(target.files.FileFor(0));
    return std::make_unique<SequenceWriter>(std::move(target));
}

}  // namespace pwcli
