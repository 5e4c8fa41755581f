#include "host/call_log.h"

#include <cstdio>

namespace pwhost {

void CallLog::Push(CallRecord record)
{
    if (sink_) sink_(record);
    else records_.push_back(std::move(record));
}

std::vector<CallRecord> CallLog::Since(std::size_t first) const
{
    if (first >= records_.size()) return {};
    return std::vector<CallRecord>(records_.begin() + static_cast<std::ptrdiff_t>(first), records_.end());
}

std::size_t CountOp(const std::vector<CallRecord>& records, const std::string& op)
{
    std::size_t n = 0;
    for (const auto& r : records) n += r.op == op;
    return n;
}

std::size_t CountText(const std::vector<CallRecord>& records, const std::string& text)
{
    std::size_t n = 0;
    for (const auto& r : records) n += r.Text() == text;
    return n;
}

std::vector<std::string> Texts(const std::vector<CallRecord>& records)
{
    std::vector<std::string> texts;
    texts.reserve(records.size());
    for (const auto& r : records) texts.push_back(r.Text());
    return texts;
}

std::string Escape(const char* text)
{
    if (!text) return "(null)";
    std::string out;
    for (const char* p = text; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        switch (c) {
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\\': out += "\\\\"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02X", c);
                out += hex;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out;
}

}  // namespace pwhost
