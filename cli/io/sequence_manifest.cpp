#include "io/sequence_manifest.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

#include <fcntl.h>
#include <unistd.h>

#include "cli_error.h"

namespace pwcli {

std::string ManifestPath(const SequencePattern& pattern)
{
    const auto slash = pattern.prefix.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "" : pattern.prefix.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? pattern.prefix : pattern.prefix.substr(slash + 1);
    return dir + "." + name + std::string(static_cast<std::size_t>(std::max(pattern.padding, 1)), '#') +
           pattern.suffix + ".pulsewarper";
}

Manifest ReadManifest(const std::string& path)
{
    Manifest m;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        const nlohmann::json j = nlohmann::json::parse(line, nullptr, false);
        if (!j.is_object() || !j.contains("job") || !j["job"].is_string()) continue;
        if (j.contains("settings")) {
            m.jobs[j["job"].get<std::string>()] = j["settings"];
            continue;
        }
        if (!j.contains("frame") || !j["frame"].is_number_integer()) continue;
        ManifestEntry e;
        e.frame = j["frame"].get<int>();
        e.job = j["job"].get<std::string>();
        e.file = j.value("file", std::string());
        e.input = j.value("input", std::string());
        e.bytes = j.value("bytes", uint64_t{0});
        e.hash = j.value("hash", std::string());
        m.frames[e.frame] = e;
    }
    return m;
}

ManifestWriter::ManifestWriter(std::string path, std::string job, nlohmann::json settings)
    : path_(std::move(path)), job_(std::move(job)), settings_(std::move(settings))
{
}

ManifestWriter::~ManifestWriter()
{
    if (fd_ >= 0) ::close(fd_);
}

void ManifestWriter::Append(const std::string& line)
{
    const std::string text = line + "\n";
    // One write per line: appends from several processes never interleave within a line.
    const ssize_t n = ::write(fd_, text.data(), text.size());
    if (n != static_cast<ssize_t>(text.size()))
        throw CliError(kExitOutput, "cannot write " + path_ + ": " + (n < 0 ? std::strerror(errno) : "short write"));
}

void ManifestWriter::Record(const ManifestEntry& e)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (fd_ < 0) {
        fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
        if (fd_ < 0) throw CliError(kExitOutput, "cannot write " + path_ + ": " + std::strerror(errno));
        try {
            Append(nlohmann::json{{"job", job_}, {"settings", settings_}}.dump());
        } catch (const CliError&) {
            ::close(fd_);
            fd_ = -1;
            throw;
        }
    }
    Append(nlohmann::json{{"frame", e.frame}, {"file", e.file}, {"job", e.job}, {"input", e.input},
                          {"bytes", e.bytes}, {"hash", e.hash}}
               .dump());
}

}  // namespace pwcli
