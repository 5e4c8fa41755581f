#include "host/settings.h"

#include <cstring>

namespace pwhost {
namespace {

A_long Scaled(A_long size, PF_RationalScale f)
{
    if (size <= 0) return 0;
    if (f.num <= 0 || f.den == 0) return size;
    const int64_t num = int64_t{size} * f.num;
    return static_cast<A_long>((num + f.den - 1) / f.den);
}

}  // namespace

void SetTimebase(HostSettings& s, Timebase timebase)
{
    const A_long step = s.timeStep > 0 ? s.timeStep : 1;
    s.currentTime = s.currentTime / step * timebase.step;
    s.totalTime = s.totalTime / step * timebase.step;
    s.timeScale = timebase.scale;
    s.timeStep = s.localTimeStep = timebase.step;
}

A_long ApplicationId(const HostSettings& s)
{
    return s.application == HostApplication::Premiere ? A_long{PF_APPL_ID_PREMIERE} : s.applId;
}

A_long LocalTimeStep(const HostSettings& s)
{
    return s.application == HostApplication::Premiere ? s.timeStep : s.localTimeStep;
}

// Premiere has none of the AEGP suites, whatever their number.
bool OffersSuite(const HostSettings& s, const char* name)
{
    return s.application != HostApplication::Premiere || std::strncmp(name, "AEGP ", 5) != 0;
}

A_long FrameWidth(const HostSettings& s) { return Scaled(s.width, s.downsampleX); }
A_long FrameHeight(const HostSettings& s) { return Scaled(s.height, s.downsampleY); }

}  // namespace pwhost
