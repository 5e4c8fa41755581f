// Shared by the command-line renderer's tests: the real plug-in, scratch folders, and the built program.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "engine/render_engine.h"

namespace pwclitest {

// The built plug-in, loaded once; its About text and parameters.
PF_EntryPointFunc PluginEntry();
const pwcli::PluginFacts& Facts();

// A fresh folder under /tmp, removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

struct CliRun {
    int code = -1;  // exit code; 128 + signal if it died by one
    std::string out, err;
};

// Runs the built pulsewarper with these arguments (working folder `cwd` if given, under the command `wrapper`, as
// {"prlimit", "--fsize=1000"}, if given) and waits for it.
CliRun RunCli(const std::vector<std::string>& args, const std::string& cwd = "",
              const std::vector<std::string>& wrapper = {});

// Starts it without waiting; Wait collects the result.
struct CliProcess {
    int pid = -1;
    std::string outFile, errFile;
};
CliProcess StartCli(const std::vector<std::string>& args, const std::string& cwd = "",
                    const std::vector<std::string>& wrapper = {});
CliRun WaitCli(CliProcess& process);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& text);
bool Exists(const std::string& path);
// dir/NAME with the frame number printed into `pattern` ("f.%04d.png").
inline std::string Numbered(const std::string& dir, const char* pattern, long long n)
{
    char name[256];
    std::snprintf(name, sizeof name, pattern, n);
    return dir + "/" + name;
}
inline bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
// The names in a folder (hidden ones too), sorted.
std::vector<std::string> Names(const std::string& folder);
// Runs a command and returns its standard output ("" when it fails).
std::string Capture(const std::string& command);

}  // namespace pwclitest
