#include "io/subprocess.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "io/partial_registry.h"

extern char** environ;

namespace pwcli {

Subprocess::Subprocess(const std::vector<std::string>& argv, Pipe pipe)
{
    char errTemplate[] = "/tmp/pulsewarper-child-XXXXXX";
    const int errFd = mkstemp(errTemplate);
    if (errFd < 0) {
        error_ = std::string("cannot make a temporary file: ") + std::strerror(errno);
        return;
    }
    errFile_ = errTemplate;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        error_ = std::string("cannot make a pipe: ") + std::strerror(errno);
        ::close(errFd);
        return;
    }
    // Whole frames cross in few large transfers rather than in 64 KiB pieces (the system may grant less).
    ::fcntl(fds[0], F_SETPIPE_SZ, 1 << 20);
    const int childEnd = pipe == Pipe::ToChild ? fds[0] : fds[1];
    fd_ = pipe == Pipe::ToChild ? fds[1] : fds[0];

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, childEnd, pipe == Pipe::ToChild ? 0 : 1);
    if (pipe == Pipe::FromChild) posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, errFd, 2);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setpgroup(&attr, 0);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);

    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const int rc = posix_spawnp(&pid_, args[0], &actions, &attr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    ::close(childEnd);
    ::close(errFd);
    if (rc == 0) RegisterChild(pid_);
    if (rc != 0) {
        pid_ = -1;
        error_ = "cannot run " + argv[0] + ": " + std::strerror(rc);
        ::close(fd_);
        fd_ = -1;
    }
}

Subprocess::~Subprocess()
{
    if (pid_ > 0) Kill();
    if (fd_ >= 0) ::close(fd_);
    if (!errFile_.empty()) std::remove(errFile_.c_str());
}

bool Subprocess::Write(const void* data, std::size_t size)
{
    const char* p = static_cast<const char*>(data);
    while (size > 0 && fd_ >= 0) {
        const ssize_t n = ::write(fd_, p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return size == 0;
}

bool Subprocess::Read(void* data, std::size_t size, std::size_t* got)
{
    char* p = static_cast<char*>(data);
    std::size_t done = 0;
    while (done < size && fd_ >= 0) {
        const ssize_t n = ::read(fd_, p + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    if (got) *got = done;
    return done == size;
}

int Subprocess::Finish()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (pid_ > 0) {
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        UnregisterChild(pid_);
        pid_ = -1;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return status_;
}

void Subprocess::Kill()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        UnregisterChild(pid_);
        pid_ = -1;
        status_ = -1;
    }
}

std::string Subprocess::ErrorOutput() const
{
    std::ifstream in(errFile_);
    std::string line, all;
    std::vector<std::string> lines;
    while (std::getline(in, line))
        if (!line.empty()) lines.push_back(line);
    const std::size_t from = lines.size() > 6 ? lines.size() - 6 : 0;
    for (std::size_t i = from; i < lines.size(); ++i) all += (all.empty() ? "" : "\n  ") + lines[i];
    return all;
}

bool RunCapture(const std::vector<std::string>& argv, std::string& output, std::string& error)
{
    Subprocess child(argv, Subprocess::Pipe::FromChild);
    if (!child.Running()) {
        error = child.Error();
        return false;
    }
    output.clear();
    char buffer[4096];
    std::size_t got = 0;
    while (true) {
        child.Read(buffer, sizeof buffer, &got);
        output.append(buffer, got);
        if (got < sizeof buffer) break;
    }
    const int status = child.Finish();
    if (status != 0) {
        error = argv[0] + " failed" + (status > 0 ? " (exit " + std::to_string(status) + ")" : "") + ": " +
                child.ErrorOutput();
        return false;
    }
    return true;
}

}  // namespace pwcli
