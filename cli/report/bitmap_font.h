// A small 5 x 7 pixel font for labels on contact sheets: no font files, the same pixels everywhere.
#pragma once

#include <string>

#include "io/frame.h"

namespace pwcli {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr int kGlyphAdvance = 6;

// Width in pixels of the text at a scale (whole pixels per font pixel).
int TextWidth(const std::string& text, int scale);

// Draws the text (letters shown in upper case; unknown characters as blanks) into an 8-bit frame, top-left
// corner at (x, y), opaque in the given colour; pixels outside the frame are skipped.
void DrawText(Frame& frame, int x, int y, const std::string& text, int scale, uint8_t red, uint8_t green,
              uint8_t blue);

}  // namespace pwcli
