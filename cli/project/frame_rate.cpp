#include "project/frame_rate.h"

#include <cmath>
#include <cstdlib>
#include <numeric>

namespace pwcli {
namespace {

bool ParseNumber(const std::string& text, double& value)
{
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end && *end == '\0' && std::isfinite(value);
}

bool ParseInt(const std::string& text, long long& value)
{
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtoll(text.c_str(), &end, 10);
    return end && *end == '\0';
}

}  // namespace

bool ParseFrameRate(const std::string& text, FrameRate& rate, std::string& error)
{
    const std::string range = "a frame rate between 0.01 and 1000 frames per second";
    const auto slash = text.find('/');
    long long num = 0, den = 1;
    if (slash != std::string::npos) {
        if (!ParseInt(text.substr(0, slash), num) || !ParseInt(text.substr(slash + 1), den) || den <= 0 ||
            num <= 0 || num > 1000000000 || den > 1000000000) {
            error = "'" + text + "' is not a frame rate; give " + range + ", as 30, 29.97 or 30000/1001";
            return false;
        }
    } else {
        double fps = 0.0;
        if (!ParseNumber(text, fps)) {
            error = "'" + text + "' is not a frame rate; give " + range + ", as 30, 29.97 or 30000/1001";
            return false;
        }
        // The NTSC family is meant whenever a rate is within rounding of n*1000/1001.
        const double ntsc = std::round(fps * 1.001);
        if (ntsc >= 1 && std::fabs(ntsc / 1.001 - fps) < 0.0006 && std::fabs(ntsc - fps) > 0.01) {
            num = static_cast<long long>(ntsc) * 1000;
            den = 1001;
        } else {
            den = 1000;
            num = std::llround(fps * den);
            if (num <= 0) {
                error = "'" + text + "' is not " + range;
                return false;
            }
        }
    }
    const long long g = std::gcd(num, den);
    num /= g;
    den /= g;
    const double fps = static_cast<double>(num) / static_cast<double>(den);
    if (!(fps >= 0.01 && fps <= 1000.0) || num > INT32_MAX || den > INT32_MAX) {
        error = "'" + text + "' is not " + range;
        return false;
    }
    rate.num = static_cast<int32_t>(num);
    rate.den = static_cast<int32_t>(den);
    return true;
}

std::string FormatFrameRate(const FrameRate& rate)
{
    if (rate.den == 1) return std::to_string(rate.num);
    char text[64];
    std::snprintf(text, sizeof text, "%d/%d (%.3f)", rate.num, rate.den, rate.Fps());
    return text;
}

int64_t FrameToUnits(const FrameRate& rate, double frame) { return std::llround(frame * rate.den); }

int64_t SecondsToUnits(const FrameRate& rate, double seconds) { return std::llround(seconds * rate.num); }

}  // namespace pwcli
