// The client's text on its way to paper and pages.  Text reaches the
// printing code in either of two forms: UTF-8, as the toolkit's text fields
// give it, or ISO Latin-1 bytes, as older data holds it.  A text that is
// valid UTF-8 with at least one character beyond ASCII is taken as UTF-8,
// any other as Latin-1 (accented Latin-1 text practically never forms valid
// UTF-8).
#ifndef PLENWICK_PRINTTEXT_H
#define PLENWICK_PRINTTEXT_H

#include <fx.h>

#include <vector>

namespace printtext {

// True when the bytes are UTF-8 holding a character beyond ASCII.
FX::FXbool isUtf8(const FX::FXchar* text, FX::FXuint length);

// The text in ISO Latin-1 for the PostScript fonts: UTF-8 decoded, the
// typographic quotes and dashes as their keyboard forms, other characters
// beyond Latin-1 as "?".  Latin-1 text is returned as it is.
FX::FXString toLatin1(const FX::FXchar* text, FX::FXuint length);
inline FX::FXString toLatin1(const FX::FXString& text) { return toLatin1(text.text(), text.length()); }

// The characters of the text: UTF-8 decoded, or each byte of Latin-1 text
// (the bytes 0x80 to 0x9F as Windows' code page 1252 gives them, in which
// older data has its euro sign and typographic quotes).
std::vector<FX::FXwchar> characters(const FX::FXchar* text, FX::FXuint length);

// One character in UTF-8.
void appendUtf8(FX::FXString& out, FX::FXwchar code);

// The text in UTF-8: Latin-1 text encoded, UTF-8 text as it is.
FX::FXString toUtf8(const FX::FXString& text);

}  // namespace printtext

#endif
