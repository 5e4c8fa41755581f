#include "project/demo.h"

namespace pwcli {

const std::string& DemoProjectText()
{
    static const std::string text = R"({
  "comment": "Pulsewarper demo: the host's test pattern, every treatment on Auto, 120 BPM",
  "input": {"pattern": "640x360", "length": 192},
  "fps": 30,
  "depth": 8,
  "params": {
    "BPM": 120,
    "Seed": 7,
    "Scroll Manual/Auto": "Auto",
    "Slice Manual/Auto": "Auto",
    "Stretch Manual/Auto": "Auto",
    "RGB Separation Manual/Auto": "Auto",
    "Color Manual/Auto": "Auto",
    "Glow Manual/Auto": "Auto",
    "Blur Manual/Auto": "Auto",
    "Mosaic Manual/Auto": "Auto",
    "Noise Manual/Auto": "Auto",
    "Time Manual/Auto": "Auto",
    "Color Blend Mode": "Screen",
    "Color": "#ff3ca0",
    "Max Color Opacity": 60
  },
  "output": "pulsewarper-demo.mp4",
  "contact_sheet": {"path": "pulsewarper-demo-sheet.png", "frames": 12, "columns": 4, "width": 240}
}
)";
    return text;
}

}  // namespace pwcli
