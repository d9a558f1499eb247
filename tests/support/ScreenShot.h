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

// The largest number of pixels sharing one exact light, clearly coloured
// value (each component at least 150, components at least 10 apart): filled
// plan cells, not text, lines, grey window parts or white paper.
int largestPlanColourArea(const Picture& picture);

}  // namespace screenshot

#endif
