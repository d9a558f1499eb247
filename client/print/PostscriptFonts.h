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

// The directory the metric files are read from, for tests: the URW set of
// Debian's fonts-urw-base35 unless set here.  Setting it forgets what was read.
void setMetricsDirectory(const FX::FXString& dir);

}  // namespace psfonts

#endif
