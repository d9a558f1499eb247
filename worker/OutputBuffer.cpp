#include "OutputBuffer.h"

#include <algorithm>
#include <cstring>

namespace vantry {

namespace {

struct EscapeTable {
    bool escaped[256] = {};
    EscapeTable() {
        for (unsigned char c : {'\0', '\n', '\r', '"', '\'', '(', ')', ',', '[', ']', '{', '}'}) escaped[c] = true;
    }
};

const EscapeTable kEscapes;

}  // namespace

void OutputBuffer::write(const char* text, std::size_t length, bool escape) {
    if (length == 0) return;
    while (length > 1 && text[length - 1] == ' ') --length;

    std::size_t i = 0;
    while (i < length) {
        // The bytes up to the next one to escape are copied as they are, as
        // much at a time as the block has room for.
        std::size_t run = length;
        if (escape) {
            run = i;
            while (run < length && !kEscapes.escaped[static_cast<unsigned char>(text[run])]) ++run;
        }
        while (i < run) {
            if (fill_ == kBlock) sendBlock();
            std::size_t n = std::min(run - i, static_cast<std::size_t>(kBlock - fill_));
            std::memcpy(buffer_ + fill_, text + i, n);
            fill_ += static_cast<int>(n);
            i += n;
        }
        if (i < length) {
            unsigned char c = static_cast<unsigned char>(text[i++]);
            put('\\');
            put(static_cast<char>('0' + (c >> 6)));
            put(static_cast<char>('0' + ((c >> 3) & 7)));
            put(static_cast<char>('0' + (c & 7)));
        }
    }
}

void OutputBuffer::write(const char* text) { write(text, std::strlen(text), false); }

const char* OutputBuffer::data() {
    buffer_[fill_] = '\0';
    return buffer_;
}

void OutputBuffer::sendBlock() {
    buffer_[kBlock] = '\0';
    fill_ = 0;
    if (sender_) sender_(buffer_, kBlock);
}

}  // namespace vantry
