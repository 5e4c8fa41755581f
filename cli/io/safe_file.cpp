#include "io/safe_file.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli_error.h"
#include "io/partial_registry.h"

namespace pwcli {
namespace {

constexpr const char* kPartialPrefix = ".partial.";

// The machine's name as it may stand in a file name: no dots (they separate the parts) and no slashes.
std::string HostTag()
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || !name[0]) return "host";
    std::string tag = name;
    for (char& c : tag)
        if (c == '.' || c == '/' || c == '-') c = '_';
    return tag;
}

std::atomic<unsigned long> g_serial{0};

std::string Folder(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

std::string Name(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

[[noreturn]] void Fail(const std::string& path, int err)
{
    throw CliError(kExitOutput, "cannot write " + path + ": " + std::strerror(err));
}

// Flushes and closes `fd`; the first error wins.
int SyncAndClose(int fd)
{
    int err = 0;
    if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) err = errno;
    if (::close(fd) != 0 && !err) err = errno;
    return err;
}

}  // namespace

std::string PartialName(const std::string& path)
{
    static const std::string host = HostTag();
    return Folder(path) + kPartialPrefix + host + "-" + std::to_string(::getpid()) + "-" +
           std::to_string(++g_serial) + "." + Name(path);
}

void MakeParentFolder(const std::string& path)
{
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (parent.empty()) return;
    std::error_code ec;
    std::filesystem::create_directories(parent, ec);
    if (ec) throw CliError(kExitOutput, "cannot make the folder " + parent.string() + ": " + ec.message());
}

void WriteFileWhole(const std::string& path, const void* data, std::size_t size)
{
    const std::string partial = PartialName(path);
    PartialGuard guard(partial);
    const int fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) Fail(path, errno);
    const char* p = static_cast<const char*>(data);
    std::size_t left = size;
    int err = 0;
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            err = n < 0 ? errno : EIO;
            break;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (err) {
        ::close(fd);
        ::unlink(partial.c_str());
        Fail(path, err);
    }
    if (const int closeErr = SyncAndClose(fd)) {
        ::unlink(partial.c_str());
        Fail(path, closeErr);
    }
    if (::rename(partial.c_str(), path.c_str()) != 0) {
        const int renameErr = errno;
        ::unlink(partial.c_str());
        Fail(path, renameErr);
    }
}

void CommitPartial(const std::string& partial, const std::string& path)
{
    const int fd = ::open(partial.c_str(), O_RDONLY | O_CLOEXEC);
    int err = fd < 0 ? errno : SyncAndClose(fd);
    if (!err && ::rename(partial.c_str(), path.c_str()) != 0) err = errno;
    if (err) {
        ::unlink(partial.c_str());
        Fail(path, err);
    }
}

bool ReadFileBytes(const std::string& path, std::vector<unsigned char>& bytes, std::string& error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    bytes.clear();
    if (::fstat(fd, &st) == 0 && st.st_size > 0) bytes.reserve(static_cast<std::size_t>(st.st_size));
    unsigned char buffer[1 << 16];
    while (true) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = "cannot read " + path + ": " + std::strerror(errno);
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    ::close(fd);
    return true;
}

int RemoveStalePartials(const std::string& folder)
{
    static const std::string host = HostTag();
    const std::string mine = std::string(kPartialPrefix) + host + "-";
    int removed = 0;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder.empty() ? "." : folder, ec), last; !ec && it != last;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.compare(0, mine.size(), mine) != 0) continue;
        // ".partial.HOST-PID-N.NAME": the owner's process number follows the machine's name.
        char* end = nullptr;
        const long pid = std::strtol(name.c_str() + mine.size(), &end, 10);
        if (pid <= 0 || !end || *end != '-') continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        std::error_code removeError;
        if (std::filesystem::remove(it->path(), removeError)) ++removed;
    }
    return removed;
}

}  // namespace pwcli
