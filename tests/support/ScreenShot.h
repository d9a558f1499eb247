// Screenshots of the X display for tests and benchmarks that look at the
// real program from outside.
#ifndef PLENWICK_SCREENSHOT_H
#define PLENWICK_SCREENSHOT_H

#include <cstdint>
#include <string>
#include <vector>

namespace screenshot {

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;  // width * height * 3
};

// The whole screen (ImageMagick's import); false when it cannot be taken.
bool take(Picture& picture, const std::string& scratchFile);
// One window as it shows (its id as xdotool gives it), the picture's (0, 0)
// its top-left corner inside the frame; false when it cannot be taken (not
// mapped yet, or gone).
bool takeWindow(Picture& picture, const std::string& window, const std::string& scratchFile);

// The largest number of pixels sharing one exact light, clearly coloured
// value (each component at least 150, components at least 10 apart, not
// the toolkit's window grey): filled plan cells, not text, lines, grey
// window parts or white paper.
int largestPlanColourArea(const Picture& picture);

// A pixel inside the box [x0, x1) x [y0, y1) in the middle of a 7 x 7
// square of one plan colour (as above): a place to click on a filled plan
// cell clear of its lines and text.  The first such pixel from the top, or
// with `lowest` from the bottom.  False when there is none.
bool findPlanCell(const Picture& picture, int x0, int y0, int x1, int y1, int& x, int& y, bool lowest = false);

// The pixels of exactly this colour in the box [x0, x1) x [y0, y1).
int countColour(const Picture& picture, int x0, int y0, int x1, int y1, int r, int g, int b);

}  // namespace screenshot

#endif
