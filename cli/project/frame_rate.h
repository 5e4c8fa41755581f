// Frames per second as an exact ratio, and how frame numbers and seconds become host time units.
#pragma once

#include <cstdint>
#include <string>

namespace pwcli {

struct FrameRate {
    int32_t num = 30;  // time scale: host time units per second
    int32_t den = 1;   // time step: units per frame

    double Fps() const { return static_cast<double>(num) / den; }
    bool operator==(const FrameRate& o) const { return num == o.num && den == o.den; }
};

// "30", "25", "29.97", "23.976", "59.94" (the NTSC rates as n*1000/1001), "12.5", "30000/1001". Rates outside
// 0.01..1000 fps and malformed text are refused with a message in `error`.
bool ParseFrameRate(const std::string& text, FrameRate& rate, std::string& error);
std::string FormatFrameRate(const FrameRate& rate);

// Host time units of a frame number and of a time in seconds (rounded to the nearest unit).
int64_t FrameToUnits(const FrameRate& rate, double frame);
int64_t SecondsToUnits(const FrameRate& rate, double seconds);

}  // namespace pwcli
