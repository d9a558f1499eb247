#include "print/PostscriptFonts.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

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
    std::map<std::string, Glyph> byName;
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
    m.byName.swap(byName);
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

namespace {

// Latin Extended-A, U+0100 to U+017F, by the Adobe glyph list.
const char* const latinExtendedA[128] = {
    "Amacron",       "amacron",       "Abreve",       "abreve",
    "Aogonek",       "aogonek",       "Cacute",       "cacute",
    "Ccircumflex",   "ccircumflex",   "Cdotaccent",   "cdotaccent",
    "Ccaron",        "ccaron",        "Dcaron",       "dcaron",
    "Dcroat",        "dcroat",        "Emacron",      "emacron",
    "Ebreve",        "ebreve",        "Edotaccent",   "edotaccent",
    "Eogonek",       "eogonek",       "Ecaron",       "ecaron",
    "Gcircumflex",   "gcircumflex",   "Gbreve",       "gbreve",
    "Gdotaccent",    "gdotaccent",    "Gcommaaccent", "gcommaaccent",
    "Hcircumflex",   "hcircumflex",   "Hbar",         "hbar",
    "Itilde",        "itilde",        "Imacron",      "imacron",
    "Ibreve",        "ibreve",        "Iogonek",      "iogonek",
    "Idotaccent",    "dotlessi",      "IJ",           "ij",
    "Jcircumflex",   "jcircumflex",   "Kcommaaccent", "kcommaaccent",
    "kgreenlandic",  "Lacute",        "lacute",       "Lcommaaccent",
    "lcommaaccent",  "Lcaron",        "lcaron",       "Ldot",
    "ldot",          "Lslash",        "lslash",       "Nacute",
    "nacute",        "Ncommaaccent",  "ncommaaccent", "Ncaron",
    "ncaron",        "napostrophe",   "Eng",          "eng",
    "Omacron",       "omacron",       "Obreve",       "obreve",
    "Ohungarumlaut", "ohungarumlaut", "OE",           "oe",
    "Racute",        "racute",        "Rcommaaccent", "rcommaaccent",
    "Rcaron",        "rcaron",        "Sacute",       "sacute",
    "Scircumflex",   "scircumflex",   "Scedilla",     "scedilla",
    "Scaron",        "scaron",        "Tcommaaccent", "tcommaaccent",
    "Tcaron",        "tcaron",        "Tbar",         "tbar",
    "Utilde",        "utilde",        "Umacron",      "umacron",
    "Ubreve",        "ubreve",        "Uring",        "uring",
    "Uhungarumlaut", "uhungarumlaut", "Uogonek",      "uogonek",
    "Wcircumflex",   "wcircumflex",   "Ycircumflex",  "ycircumflex",
    "Ydieresis",     "Zacute",        "zacute",       "Zdotaccent",
    "zdotaccent",    "Zcaron",        "zcaron",       "longs",
};

// General punctuation (U+2000 to U+206F) and the euro sign: the glyph names,
// a space-separated sequence where the fonts show the mark by neighbours,
// "" for characters that show nothing, null for the few the fonts cannot show.
struct Punctuation {
    FXwchar code;
    const char* glyphs;
};
const Punctuation punctuation[] = {
    {0x2000, "space"},
    {0x2001, "space"},
    {0x2002, "uni2002"},
    {0x2003, "space"},
    {0x2004, "space"},
    {0x2005, "space"},
    {0x2006, "space"},
    {0x2007, "space"},
    {0x2008, "space"},
    {0x2009, "space"},
    {0x200A, "space"},
    {0x200B, ""},
    {0x200C, ""},
    {0x200D, ""},
    {0x200E, ""},
    {0x200F, ""},
    {0x2010, "hyphen"},
    {0x2011, "hyphen"},
    {0x2012, "endash"},
    {0x2013, "endash"},
    {0x2014, "emdash"},
    {0x2015, "afii00208"},
    {0x2016, "bar bar"},
    {0x2017, "underscoredbl"},
    {0x2018, "quoteleft"},
    {0x2019, "quoteright"},
    {0x201A, "quotesinglbase"},
    {0x201B, "quotereversed"},
    {0x201C, "quotedblleft"},
    {0x201D, "quotedblright"},
    {0x201E, "quotedblbase"},
    {0x201F, "quotereversed quotereversed"},
    {0x2020, "dagger"},
    {0x2021, "daggerdbl"},
    {0x2022, "bullet"},
    {0x2023, "uni25B9"},
    {0x2024, "period"},
    {0x2025, "period period"},
    {0x2026, "ellipsis"},
    {0x2027, "periodcentered"},
    {0x2028, "space"},
    {0x2029, "space"},
    {0x202A, ""},
    {0x202B, ""},
    {0x202C, ""},
    {0x202D, ""},
    {0x202E, ""},
    {0x202F, "space"},
    {0x2030, "perthousand"},
    {0x2031, nullptr},
    {0x2032, "minute"},
    {0x2033, "second"},
    {0x2034, "minute minute minute"},
    {0x2035, "grave"},
    {0x2036, "grave grave"},
    {0x2037, "grave grave grave"},
    {0x2038, "asciicircum"},
    {0x2039, "guilsinglleft"},
    {0x203A, "guilsinglright"},
    {0x203B, nullptr},
    {0x203C, "exclamdbl"},
    {0x203D, "question exclam"},
    {0x203E, "uni203E"},
    {0x203F, nullptr},
    {0x2040, nullptr},
    {0x2041, nullptr},
    {0x2042, "asterisk asterisk asterisk"},
    {0x2043, "hyphen"},
    {0x2044, "fraction"},
    {0x2045, "bracketleft"},
    {0x2046, "bracketright"},
    {0x2047, "question question"},
    {0x2048, "question exclam"},
    {0x2049, "exclam question"},
    {0x204A, nullptr},
    {0x204B, "paragraph"},
    {0x204C, nullptr},
    {0x204D, nullptr},
    {0x204E, "asterisk"},
    {0x204F, "semicolon"},
    {0x2050, nullptr},
    {0x2051, "asterisk asterisk"},
    {0x2052, "percent"},
    {0x2053, "asciitilde"},
    {0x2054, nullptr},
    {0x2055, "asterisk"},
    {0x2056, "period period period"},
    {0x2057, "minute minute minute minute"},
    {0x2058, nullptr},
    {0x2059, nullptr},
    {0x205A, "colon"},
    {0x205B, nullptr},
    {0x205C, nullptr},
    {0x205D, "colon"},
    {0x205E, nullptr},
    {0x205F, "space"},
    {0x2060, ""},
    {0x2061, ""},
    {0x2062, ""},
    {0x2063, ""},
    {0x2064, ""},
    {0x2066, ""},
    {0x2067, ""},
    {0x2068, ""},
    {0x2069, ""},
    {0x206A, ""},
    {0x206B, ""},
    {0x206C, ""},
    {0x206D, ""},
    {0x206E, ""},
    {0x206F, ""},
    {0x20AC, "Euro"},
    {0xFEFF, ""},
};

int splitGlyphs(const char* sequence, const char* names[3]) {
    // The sequences above are literals: the names are kept as pointers into
    // a table of their own words.
    static std::map<std::string, std::vector<std::string>> words;
    auto found = words.find(sequence);
    if (found == words.end()) {
        std::vector<std::string> parts;
        std::string s = sequence, part;
        for (char ch : s) {
            if (ch == ' ') {
                if (!part.empty()) parts.push_back(part);
                part.clear();
            } else {
                part += ch;
            }
        }
        if (!part.empty()) parts.push_back(part);
        found = words.emplace(sequence, parts).first;
    }
    int n = 0;
    for (const std::string& w : found->second) {
        if (n == 3) break;
        names[n++] = w.c_str();
    }
    return n;
}

// The URW file a standard font name is shown with.
const char* faceFile(const FXString& fontName) {
    for (const Face& f : faces)
        if (fontName == f.name) return f.file;
    return nullptr;
}

}  // namespace

int glyphsFor(FXwchar code, const char* names[3], char buffer[12]) {
    if (code >= 0x20 && code < 0x7F) {
        names[0] = latin1Glyphs[code];
        return 1;
    }
    if (code >= 0xA0 && code <= 0xFF) {
        // U+00AD, the soft hyphen, shows as a hyphen where it is printed.
        names[0] = latin1Glyphs[code];
        return 1;
    }
    if (code >= 0x100 && code < 0x180) {
        names[0] = latinExtendedA[code - 0x100];
        return 1;
    }
    for (const Punctuation& p : punctuation) {
        if (p.code != code) continue;
        if (!p.glyphs) break;
        return splitGlyphs(p.glyphs, names);
    }
    snprintf(buffer, 12, code <= 0xFFFF ? "uni%04X" : "u%05X", (unsigned)code);
    names[0] = buffer;
    return 1;
}

FXbool hasGlyph(const FXString& fontName, const char* glyph) {
    const Metrics& m = metricsOf(fontName);
    return m.byName.find(glyph) != m.byName.end();
}

const char* replacementGlyph(const FXString& fontName) {
    return hasGlyph(fontName, "uni25A1") ? "uni25A1" : "question";
}

FXdouble glyphWidth(const FXString& fontName, FXdouble size, const char* glyph) {
    const Metrics& m = metricsOf(fontName);
    auto found = m.byName.find(glyph);
    return found == m.byName.end() ? 0 : found->second.width * size / 1000.0;
}

FXbool glyphInk(const FXString& fontName, FXdouble size, const char* const* glyphs, FXuint count, Ink& ink) {
    const Metrics& m = metricsOf(fontName);
    const double scale = size / 1000.0;
    bool any = false;
    double pen = 0;
    for (FXuint i = 0; i < count; i++) {
        if (!m.loaded) {
            if (strcmp(glyphs[i], "space") != 0) widen(ink, any, pen, -0.25 * size, pen + size, size);
            pen += size;
            continue;
        }
        auto found = m.byName.find(glyphs[i]);
        if (found == m.byName.end()) continue;
        const Glyph& g = found->second;
        if (g.urx > g.llx && g.ury > g.lly)
            widen(ink, any, pen + g.llx * scale, g.lly * scale, pen + g.urx * scale, g.ury * scale);
        pen += g.width * scale;
    }
    return any;
}

namespace {

// A Type 1 font file in its two parts: the clear text up to and with
// "currentfile eexec" and its line end, and the encrypted part (binary).
struct FontFile {
    bool ok = false;
    std::string clear, encrypted;
    FXString name;
};

FontFile readFontFile(const FXString& fontName) {
    FontFile f;
    const char* file = faceFile(fontName);
    if (!file) return f;
    FXString path = metricsDir + "/" + file + ".t1";
    FILE* in = fopen(path.text(), "rb");
    if (!in) return f;
    std::string bytes;
    char block[65536];
    size_t got;
    while ((got = fread(block, 1, sizeof block, in)) > 0) bytes.append(block, got);
    fclose(in);
    // The encrypted part runs to the trailer of 512 zeros and "cleartomark".
    const std::string eexec = "currentfile eexec";
    size_t start = bytes.find(eexec);
    size_t end = bytes.rfind("cleartomark");
    if (start == std::string::npos || end == std::string::npos || end < start) return f;
    start += eexec.size();
    while (start < bytes.size() && (bytes[start] == '\r' || bytes[start] == '\n')) start++;
    size_t cut = end;
    int zeros = 0;
    while (cut > start && zeros < 512) {
        char ch = bytes[cut - 1];
        if (ch == '0')
            zeros++;
        else if (ch != '\r' && ch != '\n')
            break;
        cut--;
    }
    if (zeros < 512) return f;
    const std::string clear = bytes.substr(0, start);
    size_t name = clear.find("/FontName /");
    if (name == std::string::npos) return f;
    name += 11;
    size_t nameEnd = clear.find_first_of(" \r\n", name);
    f.name = FXString(clear.substr(name, nameEnd - name).c_str());
    for (char ch : clear) f.clear += ch == '\r' ? '\n' : ch;
    if (f.clear.empty() || f.clear.back() != '\n') f.clear += '\n';
    // An encrypted part in hexadecimal is read back to its bytes.
    bool hex = true;
    for (size_t i = start; i < start + 4 && i < cut; i++) hex = hex && isxdigit((unsigned char)bytes[i]);
    if (hex) {
        int high = -1;
        for (size_t i = start; i < cut; i++) {
            const int c = (unsigned char)bytes[i];
            if (!isxdigit(c)) continue;
            const int v = isdigit(c) ? c - '0' : (tolower(c) - 'a' + 10);
            if (high < 0) {
                high = v;
            } else {
                f.encrypted += (char)(high * 16 + v);
                high = -1;
            }
        }
    } else {
        f.encrypted = bytes.substr(start, cut - start);
    }
    f.ok = true;
    return f;
}

// The encryption of Type 1 fonts: key 55665 for the eexec part, 4330 for
// charstrings.
std::string decrypt(const std::string& in, unsigned short r) {
    std::string out(in.size(), '\0');
    for (size_t i = 0; i < in.size(); i++) {
        const unsigned char c = (unsigned char)in[i];
        out[i] = (char)(c ^ (r >> 8));
        r = (unsigned short)((c + r) * 52845u + 22719u);
    }
    return out;
}

std::string encrypt(const std::string& in, unsigned short r) {
    std::string out(in.size(), '\0');
    for (size_t i = 0; i < in.size(); i++) {
        const unsigned char c = (unsigned char)(((unsigned char)in[i]) ^ (r >> 8));
        out[i] = (char)c;
        r = (unsigned short)((c + r) * 52845u + 22719u);
    }
    return out;
}

// True when the charstring builds its glyph from two others (seac, the
// operator 12 6): such glyphs need their parts, so the font goes whole.
bool composite(const std::string& charstring) {
    const std::string plain = decrypt(charstring, 4330);
    for (size_t i = 4; i < plain.size(); i++) {
        const unsigned char v = (unsigned char)plain[i];
        if (v == 255)
            i += 4;
        else if (v >= 247 && v <= 254)
            i += 1;
        else if (v == 12 && i + 1 < plain.size() && (unsigned char)plain[i + 1] == 6)
            return true;
        else if (v == 12)
            i += 1;
    }
    return false;
}

// The private part with only the charstrings of `keep` and .notdef; false
// when it does not read as expected or a kept glyph is a composite.
bool subsetPrivate(const std::string& plain, const std::set<std::string>& keep, std::string& out) {
    const size_t head = plain.find("/CharStrings ");
    if (head == std::string::npos) return false;
    const size_t begin = plain.find("begin", head);
    if (begin == std::string::npos) return false;
    size_t pos = begin + 5;
    std::string entries;
    int count = 0;
    for (;;) {
        while (pos < plain.size() && isspace((unsigned char)plain[pos])) pos++;
        if (plain.compare(pos, 3, "end") == 0) break;
        if (pos >= plain.size() || plain[pos] != '/') return false;
        const size_t nameEnd = plain.find(' ', pos);
        if (nameEnd == std::string::npos) return false;
        const std::string name = plain.substr(pos + 1, nameEnd - pos - 1);
        char* after = nullptr;
        const long length = strtol(plain.c_str() + nameEnd + 1, &after, 10);
        if (length <= 0 || !after || *after != ' ') return false;
        const size_t rd = (size_t)(after - plain.c_str()) + 1;
        const size_t rdEnd = plain.find(' ', rd);
        if (rdEnd == std::string::npos) return false;
        const size_t data = rdEnd + 1;
        if (data + (size_t)length > plain.size()) return false;
        const size_t lineEnd = plain.find('\n', data + (size_t)length);
        if (lineEnd == std::string::npos) return false;
        if (name == ".notdef" || keep.count(name)) {
            if (name != ".notdef" && composite(plain.substr(data, (size_t)length))) return false;
            entries.append(plain, pos, lineEnd + 1 - pos);
            count++;
        }
        pos = lineEnd + 1;
    }
    out = plain.substr(0, head) + "/CharStrings " + std::to_string(count) + " dict dup begin\n" + entries +
          plain.substr(pos);
    return true;
}

std::string hexProgram(const FontFile& f, const std::string& encrypted) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(f.clear.size() + 2 * encrypted.size() + encrypted.size() / 32 + 600);
    out += f.clear;
    for (size_t i = 0; i < encrypted.size(); i++) {
        const unsigned char b = (unsigned char)encrypted[i];
        out += digits[b >> 4];
        out += digits[b & 15];
        if (i % 32 == 31) out += '\n';
    }
    out += '\n';
    for (int line = 0; line < 8; line++) out += std::string(64, '0') + "\n";
    out += "cleartomark\n";
    return out;
}

}  // namespace

// The files are read once per program run: a job embeds the same few fonts.
FXbool fontProgram(const FXString& fontName, FXString& program, FXString& programName,
                   const std::vector<std::string>* glyphs) {
    static std::map<std::string, FontFile> files;
    std::string key = (metricsDir + "/" + fontName).text();
    auto found = files.find(key);
    if (found == files.end()) found = files.emplace(key, readFontFile(fontName)).first;
    const FontFile& f = found->second;
    if (!f.ok) return false;
    programName = f.name;
    std::string encrypted = f.encrypted;
    if (glyphs) {
        const std::string plain = decrypt(f.encrypted, 55665);
        std::string subset;
        if (plain.size() > 4 &&
            subsetPrivate(plain.substr(4), std::set<std::string>(glyphs->begin(), glyphs->end()), subset))
            encrypted = encrypt(plain.substr(0, 4) + subset, 55665);
    }
    const std::string text = hexProgram(f, encrypted);
    program = FXString(text.data(), (FXint)text.size());
    return true;
}

}  // namespace psfonts
