#include "report/progress.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <sys/ioctl.h>
#include <unistd.h>

namespace pwcli {
namespace {

std::string Clock(double seconds)
{
    const long s = static_cast<long>(std::lround(std::max(0.0, seconds)));
    char text[32];
    if (s >= 3600) std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

}  // namespace

int TerminalColumns(std::FILE* out)
{
    struct winsize size {};
    if (::ioctl(fileno(out), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    if (const char* columns = std::getenv("COLUMNS")) {
        const int n = std::atoi(columns);
        if (n > 0) return n;
    }
    return 80;
}

ProgressMode ResolveProgressMode(ProgressMode mode, std::FILE* out)
{
    if (mode != ProgressMode::Auto) return mode;
    return isatty(fileno(out)) ? ProgressMode::Bar : ProgressMode::Lines;
}

Progress::Progress(ProgressMode mode, int total, int slots, std::FILE* out)
    : mode_(ResolveProgressMode(mode, out)), total_(total), out_(out), partial_(std::max(slots, 1), 0.0),
      start_(std::chrono::steady_clock::now()), lastShown_(start_)
{
}

std::string Progress::Line(double done, int total, double seconds, bool bar, int width)
{
    const int whole = static_cast<int>(done);
    const std::string counts = std::to_string(whole) + "/" + std::to_string(total) + " frames";
    std::string rate, left;
    if (seconds > 0.2 && done > 0) {
        const double fps = done / seconds;
        char text[48];
        std::snprintf(text, sizeof text, "  %.1f fps", fps);
        rate = text;
        left = "  " + Clock((total - done) / fps) + " left";
    }
    // From the fullest line to the barest, the first that fits.
    for (int parts = 3; parts >= 0; --parts) {
        const std::string tail = counts + (parts >= 2 ? rate : "") + (parts >= 3 ? left : "");
        if (bar && parts >= 1) {
            const int room = std::min(30, width - 1 - 4 - static_cast<int>(tail.size()));
            if (room >= 10) {
                const int filled = total > 0 ? std::clamp(static_cast<int>(done / total * room), 0, room) : room;
                return "[" + std::string(filled, '#') + std::string(room - filled, '-') + "]  " + tail;
            }
            continue;
        }
        if (static_cast<int>(tail.size()) < width || parts == 0) return tail.substr(0, std::max(width - 1, 1));
    }
    return counts;
}

void Progress::Partial(int slot, long current, long total)
{
    if (mode_ == ProgressMode::None || total <= 0) return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (slot >= 0 && static_cast<std::size_t>(slot) < partial_.size())
        partial_[slot] = std::clamp(static_cast<double>(current) / static_cast<double>(total), 0.0, 1.0);
    Show(false);
}

void Progress::FrameDone(int slot)
{
    if (mode_ == ProgressMode::None) return;
    std::lock_guard<std::mutex> lock(mutex_);
    ++done_;
    if (slot >= 0 && static_cast<std::size_t>(slot) < partial_.size()) partial_[slot] = 0.0;
    Show(done_ == total_);
}

void Progress::Show(bool force)
{
    const auto now = std::chrono::steady_clock::now();
    const double since = std::chrono::duration<double>(now - lastShown_).count();
    const bool bar = mode_ == ProgressMode::Bar;
    if (!force && shown_ && since < (bar ? 0.1 : 1.0)) return;
    double done = done_;
    for (double p : partial_) done += p;
    done = std::min(done, static_cast<double>(total_));
    const std::string line = Line(done, total_, std::chrono::duration<double>(now - start_).count(), bar,
                                  bar ? TerminalColumns(out_) : 1 << 20);
    if (bar) std::fprintf(out_, "\r%s\033[K", line.c_str());
    else std::fprintf(out_, "%s\n", line.c_str());
    std::fflush(out_);
    lastShown_ = now;
    shown_ = true;
}

void Progress::Finish(const std::string& closing)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (mode_ == ProgressMode::Bar && shown_) std::fprintf(out_, "\n");
    if (!closing.empty()) std::fprintf(out_, "%s\n", closing.c_str());
    std::fflush(out_);
}

}  // namespace pwcli
