// Column descriptors and value text of the result text.
//
// A result is written as Python-style literals: a list of column descriptors
// ({'name':..,'type':..,'null':..,'width':..}) and a list of rows.  This file
// holds the per-column pieces: the type letter, the row-buffer layout and the
// text of one value, written through the escaping writer.
#ifndef VANTRY_VALUETEXT_H
#define VANTRY_VALUETEXT_H

#include <ibase.h>
#include <cstddef>
#include <cstdint>

namespace vantry {

class OutputBuffer;

// Bytes of the buffer that receives one fetched row.
constexpr std::size_t kRowBufferSize = 160000;

// Field widths of the integer types.
constexpr int kSmallintWidth = 6;
constexpr int kIntegerWidth = 11;
constexpr int kBigintWidth = 21;

// "s", "i", "n", "d" or "?" for a column's type code (nullable bit ignored).
const char* typeLetter(int sqltype);

// Points every column's data and null indicator into `buffer`: each column's
// data at the next even offset (a VARCHAR takes its length + 5 bytes), then
// its 4-byte indicator at the next even offset.  Returns the bytes used, or
// 0 when the row does not fit in `size` bytes (nothing is then valid).
std::size_t layoutRow(XSQLDA* area, char* buffer, std::size_t size);

// Writes the descriptor list entries "{'name':..}" of all columns, comma
// separated, without the surrounding brackets.
void writeDescriptors(OutputBuffer& out, const XSQLDA* area);

// Writes the text of one fetched value: None, a quoted and escaped text, or
// an unquoted number or id.
void writeValue(OutputBuffer& out, const XSQLVAR& var);

// Integer text in `width` characters with the column's scale applied (see
// the .cpp).  Returns the length written to `out` (NUL-terminated).
std::size_t formatInteger(int64_t value, int width, int scale, char* out, std::size_t capacity);

// Date and time texts, right-aligned to 24, 10 and 13 characters.
std::size_t formatTimestamp(const ISC_TIMESTAMP& ts, char* out, std::size_t capacity);
std::size_t formatDate(ISC_DATE date, char* out, std::size_t capacity);
std::size_t formatTime(ISC_TIME time, char* out, std::size_t capacity);

// A blob or array id: its two 32-bit halves as signed decimals, zero-padded
// to 8 digits, separated by ":" and right-aligned to 17 characters.
std::size_t formatQuad(const ISC_QUAD& id, char* out, std::size_t capacity);

}  // namespace vantry

#endif
