// The ordered record of every host operation the plug-in called.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace pwhost {

struct CallRecord {
    std::string op;    // operation name as the interface spells it, e.g. "host_new_handle"
    std::string args;  // key arguments, e.g. "8" or "PF Handle Suite 2"
    int command;       // ordinal of the host command during which it was called (0 = outside any)
    std::string Text() const { return args.empty() ? op : op + " " + args; }
};

class CallLog {
public:
    void Add(std::string op, std::string args);
    void SetCommand(int ordinal) { command_ = ordinal; }
    // Long renders can turn the record off: a mosaic of small blocks makes millions of calls.
    void SetRecording(bool on) { recording_ = on; }

    const std::vector<CallRecord>& Records() const { return records_; }
    std::size_t Size() const { return records_.size(); }
    std::vector<CallRecord> Since(std::size_t first) const;
    void Clear() { records_.clear(); }

private:
    std::vector<CallRecord> records_;
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
