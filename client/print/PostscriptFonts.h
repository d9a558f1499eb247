// What the PostScript device knows of the twelve standard fonts it names
// (Times, Helvetica and Courier in their four faces): the glyph names of the
// ISO Latin-1 re-encoding its prolog gives them, and the ink that a text
// covers, for true bounding boxes.
//
// The widths and glyph boxes come from the metric (AFM) files of the fonts
// Ghostscript renders these names with (the URW base 35 set); where those
// files are missing, every character is taken as a box one em wide reaching
// from a quarter em below the baseline to an em above it, which contains the
// ink of any of these fonts.
#ifndef PLENWICK_POSTSCRIPTFONTS_H
#define PLENWICK_POSTSCRIPTFONTS_H

#include <fx.h>

#include <string>
#include <vector>

namespace psfonts {

// Glyph name of an ISO Latin-1 byte in the re-encoded fonts: the PostScript
// ISOLatin1Encoding, with the apostrophe, hyphen and grave accent of the
// keyboard (quotesingle, hyphen, grave) where that encoding has typographic
// ones.  ".notdef" for bytes without a glyph.
const char* glyphName(FX::FXuchar c);

// The box a text covers when shown in font `fontName` (a standard font
// name, "Helvetica-Bold") at `size` points with the origin at (0, 0).
// False when the text leaves no ink (empty, or only spaces).
struct Ink {
    FX::FXdouble xmin = 0, ymin = 0, xmax = 0, ymax = 0;
};
FX::FXbool textInk(const FX::FXString& fontName, FX::FXdouble size, const FX::FXchar* text, FX::FXuint length,
                   Ink& ink);

// Characters beyond ISO Latin-1.  The URW fonts carry the glyphs of Latin
// Extended-A, the euro sign and most general punctuation; the PostScript
// device shows them through a second encoding of the same font, made for
// each job from the characters it uses, and embeds the font's program so
// that a printer without those glyphs prints them too.
//
// The glyphs that show code point `code`, at most three, into `names`
// (`buffer` holds a "uniXXXX" name); returns their count: 1 for a character
// with a glyph of its own, 2 or 3 for a few marks shown by neighbours
// ("bar bar" for the double vertical line), 0 for characters that show
// nothing (zero-width spaces, direction marks).
int glyphsFor(FX::FXwchar code, const char* names[3], char buffer[12]);
// True when the font's metric file has the glyph.
FX::FXbool hasGlyph(const FX::FXString& fontName, const char* glyph);
// The glyph printed in place of a character the font cannot show: a white
// square (U+25A1), "question" where the font lacks it.
const char* replacementGlyph(const FX::FXString& fontName);
// The ink of a sequence of glyphs, as textInk.
FX::FXbool glyphInk(const FX::FXString& fontName, FX::FXdouble size, const char* const* glyphs, FX::FXuint count,
                    Ink& ink);
// The advance width of the glyphs in points (0 without metrics).
FX::FXdouble glyphWidth(const FX::FXString& fontName, FX::FXdouble size, const char* glyph);
// The font program of a standard font (the URW Type 1 font Ghostscript shows
// it with) as PostScript text to embed: the clear part as it is, the
// encrypted part in hexadecimal.  `programName` gets the name the program
// defines ("NimbusSans-Regular").  False when the file cannot be read.
// With `glyphs`, the program holds only their charstrings (and .notdef):
// the whole font where a glyph is made of two others or the file does not
// read as expected.
FX::FXbool fontProgram(const FX::FXString& fontName, FX::FXString& program, FX::FXString& programName,
                       const std::vector<std::string>* glyphs = nullptr);

// The directory the metric files are read from, for tests: the URW set of
// Debian's fonts-urw-base35 unless set here.  Setting it forgets what was read.
void setMetricsDirectory(const FX::FXString& dir);

}  // namespace psfonts

#endif
