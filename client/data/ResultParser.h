// The parser of result text: the worker's reply (a list of column descriptors
// and a list of rows written as Python list and dictionary literals, values
// escaped with backslash-octal sequences) turned into two FXStringRecordsets.
//
// The text may arrive cut into blocks anywhere, also inside an escape
// sequence; the blocks are read as one stream.  Malformed text never crashes
// or loops: it either yields some rows or throws FXException
// ("FXStringStack is empty." when line feeds close more than was opened).
#ifndef PLENWICK_RESULTPARSER_H
#define PLENWICK_RESULTPARSER_H

#include <cstddef>
#include <vector>

#include "data/FXStringRecordset.h"

struct TextBlock {
    const char* data;
    size_t size;
};

struct ParsedCounts {
    FX::FXint fieldCount = 0;
    FX::FXlong recordCount = 0;
};

// Appends the column definitions (name, type letter, nullable flag, width)
// to fieldDefs and the values to rows; both are expected empty.
ParsedCounts ParseResultText(const std::vector<TextBlock>& blocks, FXStringRecordset& fieldDefs,
                             FXStringRecordset& rows);

#endif
