#include "support/ScreenShot.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

namespace screenshot {

namespace {
bool import(Picture& picture, const std::string& window, const std::string& scratchFile) {
    std::string command = "import -window '" + window + "' -depth 8 ppm:'" + scratchFile + "' 2>/dev/null";
    if (system(command.c_str()) != 0) return false;
    std::ifstream in(scratchFile, std::ios::binary);
    std::string magic;
    int maxValue = 0;
    in >> magic >> picture.width >> picture.height >> maxValue;
    if (magic != "P6" || maxValue != 255 || picture.width <= 0 || picture.height <= 0) return false;
    in.get();  // the single white space after the header
    picture.rgb.resize((size_t)picture.width * picture.height * 3);
    in.read(reinterpret_cast<char*>(picture.rgb.data()), (std::streamsize)picture.rgb.size());
    return (size_t)in.gcount() == picture.rgb.size();
}
}  // namespace

bool take(Picture& picture, const std::string& scratchFile) { return import(picture, "root", scratchFile); }

bool takeWindow(Picture& picture, const std::string& window, const std::string& scratchFile) {
    return !window.empty() && import(picture, window, scratchFile);
}

namespace {
// The pixel at (x, y) as 0xRRGGBB.
uint32_t at(const Picture& picture, int x, int y) {
    const size_t i = ((size_t)y * picture.width + x) * 3;
    return (uint32_t)(picture.rgb[i] << 16 | picture.rgb[i + 1] << 8 | picture.rgb[i + 2]);
}
// Light and clearly coloured, and not the toolkit's window grey (its base
// colour, 212 208 200), which would pass for a plan colour otherwise: every
// window's background would count as a filled plan cell.
bool planColour(uint32_t c) {
    int r = c >> 16 & 255, g = c >> 8 & 255, b = c & 255;
    int low = std::min({r, g, b}), high = std::max({r, g, b});
    return low >= 150 && high - low >= 10 && c != 0xD4D0C8;
}
}  // namespace

int largestPlanColourArea(const Picture& picture) {
    std::map<uint32_t, int> counts;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            if (planColour(at(picture, x, y))) ++counts[at(picture, x, y)];
    int best = 0;
    for (const auto& entry : counts) best = std::max(best, entry.second);
    return best;
}

bool findPlanCell(const Picture& picture, int x0, int y0, int x1, int y1, int& x, int& y, bool lowest) {
    x0 = std::max(x0, 3);
    y0 = std::max(y0, 3);
    x1 = std::min(x1, picture.width - 3);
    y1 = std::min(y1, picture.height - 3);
    for (int row = 0; row < y1 - y0; ++row) {
        const int cy = lowest ? y1 - 1 - row : y0 + row;
        for (int cx = x0; cx < x1; ++cx) {
            const uint32_t c = at(picture, cx, cy);
            if (!planColour(c)) continue;
            bool square = true;
            for (int dy = -3; dy <= 3 && square; ++dy)
                for (int dx = -3; dx <= 3 && square; ++dx) square = at(picture, cx + dx, cy + dy) == c;
            if (square) {
                x = cx;
                y = cy;
                return true;
            }
        }
    }
    return false;
}

int countColour(const Picture& picture, int x0, int y0, int x1, int y1, int r, int g, int b) {
    const uint32_t wanted = (uint32_t)(r << 16 | g << 8 | b);
    int n = 0;
    for (int y = std::max(y0, 0); y < std::min(y1, picture.height); ++y)
        for (int x = std::max(x0, 0); x < std::min(x1, picture.width); ++x) n += at(picture, x, y) == wanted;
    return n;
}

}  // namespace screenshot
