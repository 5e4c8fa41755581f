#include "report/beats_report.h"

namespace pwcli {

std::string BeatsHeader() { return "frame   seconds     beat   phase  envelope  fires"; }

std::string BeatsLine(const BeatReport& b)
{
    std::string fires;
    for (int i = 0; i < 10; ++i) {
        if (!b.on[i]) continue;
        if (!fires.empty()) fires += ", ";
        fires += kTreatmentNames[i];
        if (i == 8) fires += b.noiseColor ? " (colour)" : " (white)";
    }
    if (fires.empty()) fires = "-";
    char text[128];
    std::snprintf(text, sizeof text, "%5d  %8.3f  %7d  %6.4f  %8.4f%s ", b.frame, b.seconds, b.beatIndex, b.phase,
                  b.envelope, b.inAttack ? "a" : " ");
    return text + fires;
}

std::string SheetLabel(const BeatReport& b)
{
    return "frame " + std::to_string(b.frame) + "  beat " + std::to_string(b.beatIndex);
}

}  // namespace pwcli
