// Base64 as the client stores and carries files: the standard alphabet
// ("A"-"Z", "a"-"z", "0"-"9", "+", "/"), "=" padding to a multiple of four,
// no line breaks.  One encoder and one decoder for attachments, transfer
// files and the database export.
//
//   base64::encode("abc", 3)        "YWJj"
//   base64::encode("ab", 2)         "YWI="
//   base64::decode("YWJj")          "abc"
//
// The decoder is lenient as the stored chunks need: it stops at the first
// "=" or at the first character outside the alphabet and decodes what came
// before (a group of two or three characters gives one or two bytes), so
// text with a missing tail decodes to a shorter file instead of failing.
// isBase64 is the strict check for text that must be whole.
#ifndef PLENWICK_BASE64_H
#define PLENWICK_BASE64_H

#include <fx.h>

#include <cstddef>

namespace base64 {

// Length of the encoding of `size` bytes: 4 * ceil(size / 3).
inline size_t encodedLength(size_t size) { return (size + 2) / 3 * 4; }

FX::FXString encode(const void* data, size_t size);
inline FX::FXString encode(const FX::FXString& bytes) { return encode(bytes.text(), (size_t)bytes.length()); }

// The bytes of the text up to its first "=" or non-alphabet character.
FX::FXString decode(const char* text, size_t length);
inline FX::FXString decode(const FX::FXString& text) { return decode(text.text(), (size_t)text.length()); }

// True when the text is a complete encoding: alphabet characters, a length
// that is a multiple of four, and at most two "=" at the very end.
bool isBase64(const char* text, size_t length);
inline bool isBase64(const FX::FXString& text) { return isBase64(text.text(), (size_t)text.length()); }

}  // namespace base64

#endif
