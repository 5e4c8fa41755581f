#include "engine/scheduler.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <map>
#include <mutex>
#include <thread>

namespace pwcli {
namespace {

class Run {
public:
    Run(const std::vector<int>& frames, bool ordered, int window, const ScheduleCallbacks& callbacks,
        const std::atomic<bool>& stop)
        : frames_(frames), ordered_(ordered), window_(std::max(window, 1)), cb_(callbacks), stop_(stop)
    {
    }

    void Worker(int slot)
    {
        while (true) {
            std::size_t index;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                // The stop flag is raised from a signal handler, which cannot notify: look again now and then.
                while (!cv_.wait_for(lock, std::chrono::milliseconds(100), [&] {
                    return Halted() || next_ >= frames_.size() || !ordered_ || next_ < delivered_ + window_;
                })) {
                }
                if (Halted() || next_ >= frames_.size()) break;
                index = next_++;
            }
            try {
                Frame image = cb_.render(slot, frames_[index]);
                if (ordered_) {
                    std::lock_guard<std::mutex> lock(mutex_);
                    ready_.emplace(index, std::move(image));
                } else {
                    cb_.deliver(slot, frames_[index], image);
                    std::lock_guard<std::mutex> lock(mutex_);
                    ++result_.delivered;
                }
            } catch (const CliError& e) {
                if (e.code == kExitInterrupted) Cancel();
                else Fail(e);
            } catch (const std::exception& e) {
                Fail(CliError(kExitRenderFailed, std::string("frame ") + std::to_string(frames_[index]) + ": " + e.what()));
            }
            cv_.notify_all();
        }
        std::lock_guard<std::mutex> lock(mutex_);
        --running_;
        cv_.notify_all();
    }

    // Delivery in frame order, on the calling thread, until the workers are done.
    void Deliver()
    {
        while (true) {
            std::unique_lock<std::mutex> lock(mutex_);
            cv_.wait(lock, [&] { return ready_.count(delivered_) || running_ == 0 || failed_; });
            if (failed_ || !ready_.count(delivered_)) break;
            Frame image = std::move(ready_.at(delivered_));
            ready_.erase(delivered_);
            lock.unlock();
            try {
                cb_.deliver(-1, frames_[delivered_], image);
            } catch (const CliError& e) {
                Fail(e);
                break;
            }
            lock.lock();
            ++delivered_;
            ++result_.delivered;
            cv_.notify_all();
        }
    }

    ScheduleResult Go(int threads)
    {
        running_ = threads;
        std::vector<std::thread> workers;
        for (int slot = 0; slot < threads; ++slot) workers.emplace_back([this, slot] { Worker(slot); });
        if (ordered_) Deliver();
        for (std::thread& t : workers) t.join();
        result_.stopped =
            !result_.error && result_.delivered < static_cast<int>(frames_.size()) && (stop_.load() || cancelled_);
        return result_;
    }

private:
    bool Halted() const { return failed_ || cancelled_ || stop_.load(); }

    // A frame the plug-in gave up on because the host asked it to (abort): a stop, not a failure.
    void Cancel()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        cancelled_ = true;
        cv_.notify_all();
    }

    void Fail(const CliError& e)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!failed_) result_.error = e;
        failed_ = true;
        cv_.notify_all();
    }

    const std::vector<int>& frames_;
    bool ordered_;
    std::size_t window_;
    const ScheduleCallbacks& cb_;
    const std::atomic<bool>& stop_;
    std::mutex mutex_;
    std::condition_variable cv_;
    std::size_t next_ = 0;
    std::size_t delivered_ = 0;
    std::map<std::size_t, Frame> ready_;
    int running_ = 0;
    bool failed_ = false;
    bool cancelled_ = false;
    ScheduleResult result_;
};

}  // namespace

ScheduleResult RunFrames(const std::vector<int>& frames, int threads, bool ordered, int window,
                         const ScheduleCallbacks& callbacks, const std::atomic<bool>& stop)
{
    Run run(frames, ordered, window, callbacks, stop);
    return run.Go(std::max(1, std::min<int>(threads, static_cast<int>(std::max<std::size_t>(frames.size(), 1)))));
}

}  // namespace pwcli
