#include "print/PostscriptFonts.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

using namespace FX;

namespace psfonts {

namespace {

// ISOLatin1Encoding, with quotesingle at 39, hyphen at 45 and grave at 96.
const char* const latin1Glyphs[256] = {
    ".notdef",
    ".notdef",
    ".notdef",
    ".notdef",
    ".notdef",
    ".notdef",
    ".notdef",
    ".notdef",  // 0
    ".notdef",
    ".notdef",
    ".notdef",
    ".notdef",
    ".notdef",
    ".notdef",
    ".notdef",
    ".notdef",  // 8
    ".notdef",
    ".notdef",
    ".notdef",
    ".notdef",
    ".notdef",
    ".notdef",
    ".notdef",
    ".notdef",  // 16
    ".notdef",
    ".notdef",
    ".notdef",
    ".notdef",
    ".notdef",
    ".notdef",
    ".notdef",
    ".notdef",  // 24
    "space",
    "exclam",
    "quotedbl",
    "numbersign",
    "dollar",
    "percent",
    "ampersand",
    "quotesingle",  // 32
    "parenleft",
    "parenright",
    "asterisk",
    "plus",
    "comma",
    "hyphen",
    "period",
    "slash",  // 40
    "zero",
    "one",
    "two",
    "three",
    "four",
    "five",
    "six",
    "seven",  // 48
    "eight",
    "nine",
    "colon",
    "semicolon",
    "less",
    "equal",
    "greater",
    "question",  // 56
    "at",
    "A",
    "B",
    "C",
    "D",
    "E",
    "F",
    "G",  // 64
    "H",
    "I",
    "J",
    "K",
    "L",
    "M",
    "N",
    "O",  // 72
    "P",
    "Q",
    "R",
    "S",
    "T",
    "U",
    "V",
    "W",  // 80
    "X",
    "Y",
    "Z",
    "bracketleft",
    "backslash",
    "bracketright",
    "asciicircum",
    "underscore",  // 88
    "grave",
    "a",
    "b",
    "c",
    "d",
    "e",
    "f",
    "g",  // 96
    "h",
    "i",
    "j",
    "k",
    "l",
    "m",
    "n",
    "o",  // 104
    "p",
    "q",
    "r",
    "s",
    "t",
    "u",
    "v",
    "w",  // 112
    "x",
    "y",
    "z",
    "braceleft",
    "bar",
    "braceright",
    "asciitilde",
    ".notdef",  // 120
    ".notdef",
    ".notdef",
    ".notdef",
    ".notdef",
    ".notdef",
    ".notdef",
    ".notdef",
    ".notdef",  // 128
    ".notdef",
    ".notdef",
    ".notdef",
    ".notdef",
    ".notdef",
    ".notdef",
    ".notdef",
    ".notdef",  // 136
    "dotlessi",
    "grave",
    "acute",
    "circumflex",
    "tilde",
    "macron",
    "breve",
    "dotaccent",  // 144
    "dieresis",
    ".notdef",
    "ring",
    "cedilla",
    ".notdef",
    "hungarumlaut",
    "ogonek",
    "caron",  // 152
    "space",
    "exclamdown",
    "cent",
    "sterling",
    "currency",
    "yen",
    "brokenbar",
    "section",  // 160
    "dieresis",
    "copyright",
    "ordfeminine",
    "guillemotleft",
    "logicalnot",
    "hyphen",
    "registered",
    "macron",  // 168
    "degree",
    "plusminus",
    "twosuperior",
    "threesuperior",
    "acute",
    "mu",
    "paragraph",
    "periodcentered",  // 176
    "cedilla",
    "onesuperior",
    "ordmasculine",
    "guillemotright",
    "onequarter",
    "onehalf",
    "threequarters",
    "questiondown",  // 184
    "Agrave",
    "Aacute",
    "Acircumflex",
    "Atilde",
    "Adieresis",
    "Aring",
    "AE",
    "Ccedilla",  // 192
    "Egrave",
    "Eacute",
    "Ecircumflex",
    "Edieresis",
    "Igrave",
    "Iacute",
    "Icircumflex",
    "Idieresis",  // 200
    "Eth",
    "Ntilde",
    "Ograve",
    "Oacute",
    "Ocircumflex",
    "Otilde",
    "Odieresis",
    "multiply",  // 208
    "Oslash",
    "Ugrave",
    "Uacute",
    "Ucircumflex",
    "Udieresis",
    "Yacute",
    "Thorn",
    "germandbls",  // 216
    "agrave",
    "aacute",
    "acircumflex",
    "atilde",
    "adieresis",
    "aring",
    "ae",
    "ccedilla",  // 224
    "egrave",
    "eacute",
    "ecircumflex",
    "edieresis",
    "igrave",
    "iacute",
    "icircumflex",
    "idieresis",  // 232
    "eth",
    "ntilde",
    "ograve",
    "oacute",
    "ocircumflex",
    "otilde",
    "odieresis",
    "divide",  // 240
    "oslash",
    "ugrave",
    "uacute",
    "ucircumflex",
    "udieresis",
    "yacute",
    "thorn",
    "ydieresis",  // 248
};

// The URW font Ghostscript shows for each standard name.
struct Face {
    const char* name;
    const char* file;
};
const Face faces[] = {
    {"Times-Roman", "NimbusRoman-Regular"},     {"Times-Bold", "NimbusRoman-Bold"},
    {"Times-Italic", "NimbusRoman-Italic"},     {"Times-BoldItalic", "NimbusRoman-BoldItalic"},
    {"Helvetica", "NimbusSans-Regular"},        {"Helvetica-Bold", "NimbusSans-Bold"},
    {"Helvetica-Oblique", "NimbusSans-Italic"}, {"Helvetica-BoldOblique", "NimbusSans-BoldItalic"},
    {"Courier", "NimbusMonoPS-Regular"},        {"Courier-Bold", "NimbusMonoPS-Bold"},
    {"Courier-Oblique", "NimbusMonoPS-Italic"}, {"Courier-BoldOblique", "NimbusMonoPS-BoldItalic"},
};

// One glyph of a metric file, in thousandths of an em.
struct Glyph {
    double width = 0;
    double llx = 0, lly = 0, urx = 0, ury = 0;
    bool known = false;
};

// The 256 glyphs of a font in the re-encoding; `loaded` false when its
// metric file could not be read.
struct Metrics {
    bool loaded = false;
    Glyph glyphs[256];
};

FXString metricsDir = "/usr/share/fonts/type1/urw-base35";
std::map<std::string, Metrics> cache;
// The font asked for last: pages set most of their text in one or two fonts.
FXString lastName;
const Metrics* last = nullptr;

// Reads the character metrics ("C 233 ; WX 556 ; N eacute ; B 40 -23 513 740 ;")
// and places each glyph at the byte the re-encoding gives its name.
void load(const std::string& fontName, Metrics& m) {
    const char* file = nullptr;
    for (const Face& f : faces)
        if (fontName == f.name) file = f.file;
    if (!file) return;
    FXString path = metricsDir + "/" + file + ".afm";
    FILE* in = fopen(path.text(), "r");
    if (!in) return;
    std::map<std::string, Glyph> byName;
    char line[512];
    while (fgets(line, sizeof line, in)) {
        if (line[0] != 'C' || line[1] != ' ') continue;
        Glyph g;
        char name[128] = "";
        const char* wx = strstr(line, "WX ");
        const char* n = strstr(line, "; N ");
        const char* b = strstr(line, "; B ");
        if (!wx || !n || !b) continue;
        if (sscanf(wx, "WX %lf", &g.width) != 1) continue;
        if (sscanf(n, "; N %127s", name) != 1) continue;
        if (sscanf(b, "; B %lf %lf %lf %lf", &g.llx, &g.lly, &g.urx, &g.ury) != 4) continue;
        g.known = true;
        byName[name] = g;
    }
    fclose(in);
    for (int c = 0; c < 256; c++) {
        auto found = byName.find(latin1Glyphs[c]);
        if (found != byName.end()) m.glyphs[c] = found->second;
    }
    m.loaded = !byName.empty();
}

const Metrics& metricsOf(const FXString& fontName) {
    if (last && fontName == lastName) return *last;
    std::string key = fontName.text();
    auto found = cache.find(key);
    if (found == cache.end()) {
        found = cache.emplace(key, Metrics()).first;
        load(key, found->second);
    }
    lastName = fontName;
    last = &found->second;
    return *last;
}

void widen(Ink& ink, bool& any, double x0, double y0, double x1, double y1) {
    if (!any) {
        ink.xmin = x0;
        ink.ymin = y0;
        ink.xmax = x1;
        ink.ymax = y1;
        any = true;
        return;
    }
    if (x0 < ink.xmin) ink.xmin = x0;
    if (y0 < ink.ymin) ink.ymin = y0;
    if (x1 > ink.xmax) ink.xmax = x1;
    if (y1 > ink.ymax) ink.ymax = y1;
}

}  // namespace

const char* glyphName(FXuchar c) { return latin1Glyphs[c]; }

void setMetricsDirectory(const FXString& dir) {
    metricsDir = dir;
    cache.clear();
    last = nullptr;
}

FXbool textInk(const FXString& fontName, FXdouble size, const FXchar* text, FXuint length, Ink& ink) {
    const Metrics& m = metricsOf(fontName);
    const double scale = size / 1000.0;
    bool any = false;
    double pen = 0;
    for (FXuint i = 0; i < length; i++) {
        FXuchar c = (FXuchar)text[i];
        if (!m.loaded) {
            // Without metrics: a box that holds any glyph of these fonts.
            if (c != ' ' && strcmp(latin1Glyphs[c], ".notdef") != 0)
                widen(ink, any, pen, -0.25 * size, pen + size, size);
            pen += size;
            continue;
        }
        const Glyph& g = m.glyphs[c];
        if (!g.known) continue;  // .notdef shows nothing and does not move
        if (g.urx > g.llx && g.ury > g.lly)
            widen(ink, any, pen + g.llx * scale, g.lly * scale, pen + g.urx * scale, g.ury * scale);
        pen += g.width * scale;
    }
    return any;
}

}  // namespace psfonts
