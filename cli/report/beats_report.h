// The --beats table: per frame, where it falls in the music and what the effect does there.
#pragma once

#include <cstdio>
#include <string>

#include "engine/render_engine.h"

namespace pwcli {

std::string BeatsHeader();
std::string BeatsLine(const BeatReport& b);
// "frame 12  beat 3" for contact sheets.
std::string SheetLabel(const BeatReport& b);

}  // namespace pwcli
