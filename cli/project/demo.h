// The built-in demo: the host's test pattern with every treatment on Auto, so that the whole look shows.
#pragma once

#include <string>

namespace pwcli {

// The demo as a project file (paths relative to the output folder).
const std::string& DemoProjectText();

// File names inside the output folder.
constexpr const char* kDemoVideo = "pulsewarper-demo.mp4";
constexpr const char* kDemoSheet = "pulsewarper-demo-sheet.png";

}  // namespace pwcli
