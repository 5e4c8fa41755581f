// A child process (ffmpeg, ffprobe) with one pipe to its standard input or from its standard output. It runs in a
// process group of its own, so a Ctrl-C at the terminal reaches only this program, which then ends the child
// in order; its standard error goes to a file that is read back for messages.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <sys/types.h>

namespace pwcli {

class Subprocess {
public:
    enum class Pipe { ToChild, FromChild };

    // Starts argv[0] (looked up in PATH). On failure Running() is false and Error() says why.
    Subprocess(const std::vector<std::string>& argv, Pipe pipe);
    ~Subprocess();  // closes the pipe and waits; kills the child first if it is still writing or reading
    Subprocess(const Subprocess&) = delete;
    Subprocess& operator=(const Subprocess&) = delete;

    bool Running() const { return pid_ > 0; }
    const std::string& Error() const { return error_; }

    // Whole writes and reads; false when the pipe broke or (reading) the stream ended first. Read reports the
    // bytes actually read through `got`.
    bool Write(const void* data, std::size_t size);
    bool Read(void* data, std::size_t size, std::size_t* got = nullptr);

    // Closes the pipe and waits for the child; its exit status (-1 if it died by a signal or was not started).
    int Finish();
    // Ends the child at once (SIGKILL) and reaps it.
    void Kill();
    // The last lines the child wrote to its standard error.
    std::string ErrorOutput() const;

private:
    pid_t pid_ = -1;
    int fd_ = -1;
    std::string errFile_;
    std::string error_;
    int status_ = -1;
};

// Runs a command to the end and returns its standard output; false (with `error` set) on a failure to start or
// a non-zero exit.
bool RunCapture(const std::vector<std::string>& argv, std::string& output, std::string& error);

}  // namespace pwcli
