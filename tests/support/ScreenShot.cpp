#include "ScreenShot.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

namespace screenshot {

bool take(Picture& picture, const std::string& scratchFile) {
    std::string command = "import -window root -depth 8 ppm:'" + scratchFile + "' 2>/dev/null";
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

int largestPlanColourArea(const Picture& picture) {
    std::map<uint32_t, int> counts;
    for (size_t i = 0; i + 2 < picture.rgb.size(); i += 3) {
        int r = picture.rgb[i], g = picture.rgb[i + 1], b = picture.rgb[i + 2];
        int low = std::min({r, g, b}), high = std::max({r, g, b});
        if (low < 150 || high - low < 10) continue;
        ++counts[(uint32_t)(r << 16 | g << 8 | b)];
    }
    int best = 0;
    for (const auto& entry : counts) best = std::max(best, entry.second);
    return best;
}

}  // namespace screenshot
