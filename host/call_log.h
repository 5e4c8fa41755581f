// The ordered record of every host operation the plug-in called.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace pwhost {

struct CallRecord {
    std::string op;    // operation name as the interface spells it, e.g. "host_new_handle"
    std::string args;  // key arguments, e.g. "8" or "PF Handle Suite 2"
    int command;       // ordinal of the host command during which it was called (0 = outside any)
    std::string Text() const { return args.empty() ? op : op + " " + args; }
};

// Off, it costs one test per call: `args` is a callable that builds the arguments' text only while recording.
class CallLog {
public:
    void Add(const char* op) { Add(op, [] { return std::string(); }); }
    template <class Args>
    void Add(const char* op, Args&& args)
    {
        static_assert(std::is_invocable_r_v<std::string, Args&>, "the arguments are built lazily");
        if (recording_) Push(CallRecord{op, args(), command_});
    }
    void SetCommand(int ordinal) { command_ = ordinal; }
    // Long renders turn the record off: a mosaic of small blocks makes millions of calls.
    void SetRecording(bool on) { recording_ = on; }
    bool Recording() const { return recording_; }
    // Streams every record to `sink` instead of keeping it, so that a traced render stays in bounded memory.
    void SetSink(std::function<void(const CallRecord&)> sink) { sink_ = std::move(sink); }

    const std::vector<CallRecord>& Records() const { return records_; }
    std::size_t Size() const { return records_.size(); }
    std::vector<CallRecord> Since(std::size_t first) const;
    void Clear() { records_.clear(); }

private:
    void Push(CallRecord record);

    std::vector<CallRecord> records_;
    std::function<void(const CallRecord&)> sink_;
    int command_ = 0;
    bool recording_ = true;
};

// Queries shared by the log and a command's slice of it.
std::size_t CountOp(const std::vector<CallRecord>& records, const std::string& op);
std::size_t CountText(const std::vector<CallRecord>& records, const std::string& text);
std::vector<std::string> Texts(const std::vector<CallRecord>& records);

// Control characters shown as escapes, so that a logged format stays on one line.
std::string Escape(const char* text);

}  // namespace pwhost
