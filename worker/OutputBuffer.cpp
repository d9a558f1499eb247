#include "OutputBuffer.h"

#include <cstring>

namespace vantry {

namespace {

struct EscapeTable {
    bool escaped[256] = {};
    EscapeTable()
    {
        for (unsigned char c : {'\0', '\n', '\r', '"', '\'', '(', ')', ',', '[', ']', '{', '}'})
            escaped[c] = true;
    }
};

const EscapeTable kEscapes;

}  // namespace

void OutputBuffer::write(const char* text, std::size_t length, bool escape)
{
    if (length == 0) return;
    while (length > 1 && text[length - 1] == ' ') --length;

    for (std::size_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (escape && kEscapes.escaped[c]) {
            put('\\');
            put(static_cast<char>('0' + (c >> 6)));
            put(static_cast<char>('0' + ((c >> 3) & 7)));
            put(static_cast<char>('0' + (c & 7)));
        } else {
            put(static_cast<char>(c));
        }
    }
}

void OutputBuffer::write(const char* text)
{
    write(text, std::strlen(text), false);
}

const char* OutputBuffer::data()
{
    buffer_[fill_] = '\0';
    return buffer_;
}

void OutputBuffer::sendBlock()
{
    buffer_[kBlock] = '\0';
    fill_ = 0;
    if (sender_) sender_(buffer_, kBlock);
}

}  // namespace vantry
