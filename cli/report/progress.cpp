#include "report/progress.h"

#include <algorithm>
#include <cmath>

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

std::string Progress::Line(double done, int total, double seconds, bool bar)
{
    std::string text;
    if (bar) {
        constexpr int kWidth = 30;
        const int filled = total > 0 ? std::clamp(static_cast<int>(done / total * kWidth), 0, kWidth) : kWidth;
        text = "[" + std::string(filled, '#') + std::string(kWidth - filled, '-') + "]  ";
    }
    const int whole = static_cast<int>(done);
    char counts[96];
    std::snprintf(counts, sizeof counts, "%d/%d frames", whole, total);
    text += counts;
    if (seconds > 0.2 && done > 0) {
        const double fps = done / seconds;
        char rate[32];
        std::snprintf(rate, sizeof rate, "  %.1f fps", fps);
        text += rate;
        text += "  " + Clock((total - done) / fps) + " left";
    }
    return text;
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
    const std::string line = Line(done, total_, std::chrono::duration<double>(now - start_).count(), bar);
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
