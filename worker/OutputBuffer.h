// The worker's reply buffer and its escaping writer.
//
// Reply text is collected in a 1024-byte buffer.  At most 1023 bytes hold
// text; when one more byte is due, the 1023 bytes already there go out as one
// block through the block sender (the reply continues, so the caller sends it
// with `more` 1) and the buffer starts again from the front.  The last,
// shorter part of a reply stays in the buffer for the request loop to send.
#ifndef VANTRY_OUTPUTBUFFER_H
#define VANTRY_OUTPUTBUFFER_H

#include <cstddef>
#include <functional>

namespace vantry {

class OutputBuffer {
public:
    static constexpr int kSize = 1024;
    static constexpr int kBlock = kSize - 1;

    // Called with the 1023 bytes of a full block (a NUL stored after them).
    using BlockSender = std::function<void(const char* data, int length)>;

    OutputBuffer() = default;
    explicit OutputBuffer(BlockSender sender) : sender_(std::move(sender)) {}
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;

    void setSender(BlockSender sender) { sender_ = std::move(sender); }

    // Appends one piece of text.  Trailing spaces are dropped, except that a
    // piece of nothing but spaces (after its first character) keeps its first
    // character; an empty piece writes nothing.  With `escape` every byte of
    // the escape table (NUL, LF, CR, " ' ( ) , [ ] { }) becomes a backslash
    // and three octal digits; all other bytes are copied unchanged.
    void write(const char* text, std::size_t length, bool escape);
    // The same for NUL-terminated text, unescaped: structure and error lines.
    void write(const char* text);

    // Text not yet sent, NUL-terminated.
    const char* data();
    int fill() const { return fill_; }
    void clear() { fill_ = 0; }

private:
    void put(char c) {
        if (fill_ == kBlock) sendBlock();
        buffer_[fill_++] = c;
    }
    void sendBlock();

    char buffer_[kSize] = {};
    int fill_ = 0;
    BlockSender sender_;
};

}  // namespace vantry

#endif
