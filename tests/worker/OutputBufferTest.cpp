// The escaping writer and its 1023-byte block streaming.
#include "OutputBuffer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using vantry::OutputBuffer;

namespace {

struct Collector {
    std::vector<std::string> blocks;
    std::vector<bool> terminated;
    OutputBuffer out{[this](const char* data, int length) {
        blocks.emplace_back(data, static_cast<std::size_t>(length));
        terminated.push_back(data[length] == '\0');
    }};

    std::string pending() { return std::string(out.data(), static_cast<std::size_t>(out.fill())); }
    std::string all() {
        std::string text;
        for (const auto& b : blocks) text += b;
        return text + pending();
    }
    void write(const std::string& s, bool escape) { out.write(s.data(), s.size(), escape); }
};

}  // namespace

TEST(OutputBufferTest, EscapesEveryCharacterOfTheTable) {
    const struct {
        char c;
        const char* written;
    } table[] = {
        {'\0', "\\000"}, {'\n', "\\012"}, {'\r', "\\015"}, {'"', "\\042"}, {'\'', "\\047"}, {'(', "\\050"},
        {')', "\\051"},  {',', "\\054"},  {'[', "\\133"},  {']', "\\135"}, {'{', "\\173"},  {'}', "\\175"},
    };
    for (const auto& entry : table) {
        Collector c;
        std::string text = std::string("a") + entry.c + "b";
        c.write(text, true);
        EXPECT_EQ(c.all(), std::string("a") + entry.written + "b") << "byte " << int(entry.c);
    }
}

TEST(OutputBufferTest, CopiesAllOtherBytesUnchanged) {
    std::string text;
    for (int b = 1; b < 256; ++b) {
        if (std::string("\n\r\"'(),[]{} ").find(static_cast<char>(b)) == std::string::npos)
            text += static_cast<char>(b);
    }
    Collector c;
    c.write(text, true);
    EXPECT_EQ(c.all(), text);  // backslash, tab, colon, bytes above 127 ...

    Collector raw;
    raw.write("'name':'A,B',\n[", false);
    EXPECT_EQ(raw.all(), "'name':'A,B',\n[");
}

TEST(OutputBufferTest, TrimsTrailingSpacesButNeverToNothing) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"ab   ", "ab"},                                                     // CHAR padding
        {"     ", " "},                                                      // only spaces: the first one stays
        {" ", " "},           {"x    ", "x"}, {"         5", "         5"},  // leading spaces keep numbers aligned
        {"  a b  ", "  a b"}, {"", ""},
    };
    for (const auto& tc : cases) {
        Collector c;
        c.write(tc.in, true);
        EXPECT_EQ(c.all(), tc.out) << "'" << tc.in << "'";
    }
}

TEST(OutputBufferTest, NulTerminatesPendingText) {
    Collector c;
    c.write("abc", false);
    EXPECT_EQ(c.out.fill(), 3);
    EXPECT_STREQ(c.out.data(), "abc");
    c.out.clear();
    EXPECT_EQ(c.out.fill(), 0);
    EXPECT_STREQ(c.out.data(), "");
}

TEST(OutputBufferTest, FiveThousandBytesGoOutAsFourFullBlocksAndARest) {
    Collector c;
    std::string text;
    for (int i = 0; i < 5000; ++i) text += static_cast<char>('a' + i % 26);
    // Written in pieces of different sizes, as a result is.
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t n = std::min<std::size_t>(1 + pos % 97, text.size() - pos);
        c.write(text.substr(pos, n), true);
        pos += n;
    }
    ASSERT_EQ(c.blocks.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(c.blocks[i].size(), 1023u);
        EXPECT_TRUE(c.terminated[i]);
    }
    EXPECT_EQ(c.out.fill(), 908);
    EXPECT_EQ(c.all(), text);
}

TEST(OutputBufferTest, FullBufferIsSentOnlyWhenAnotherByteComes) {
    Collector c;
    c.write(std::string(1023, 'x'), false);
    EXPECT_TRUE(c.blocks.empty());
    EXPECT_EQ(c.out.fill(), 1023);
    c.write("y", false);
    ASSERT_EQ(c.blocks.size(), 1u);
    EXPECT_EQ(c.blocks[0], std::string(1023, 'x'));
    EXPECT_EQ(c.pending(), "y");
}

TEST(OutputBufferTest, BlockBoundaryMayFallInsideAnEscapeSequence) {
    Collector c;
    c.write(std::string(1021, 'x'), false);
    c.write("a,b", true);  // "a" lands at 1021, the escape starts at 1022
    ASSERT_EQ(c.blocks.size(), 1u);
    EXPECT_EQ(c.blocks[0].substr(1020), "xa\\");
    EXPECT_EQ(c.pending(), "054b");
    EXPECT_EQ(c.all(), std::string(1021, 'x') + "a\\054b");
}

TEST(OutputBufferTest, TrailingSpacesBeforeABoundaryAreStillTrimmed) {
    Collector c;
    c.write(std::string(1022, 'x'), false);
    c.write("ab    ", true);
    ASSERT_EQ(c.blocks.size(), 1u);
    EXPECT_EQ(c.pending(), "b");
}

// Plain runs are copied many bytes at a time: whatever the pieces and
// wherever escapes and block boundaries fall, the blocks hold exactly the
// escaped text, cut every 1023 bytes.
TEST(OutputBufferTest, PiecesOfAnySizeGiveTheSameBlocksAsTheEscapedText) {
    const std::string table = std::string("\0\n\r\"'(),[]{}", 12);
    std::string expected;
    Collector c;
    unsigned seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    for (int piece = 0; piece < 3000; ++piece) {
        std::string text;
        std::size_t n = 1 + (next() >> 8) % (piece % 3 == 0 ? 3000 : 40);
        for (std::size_t k = 0; k < n; ++k)
            text += (next() >> 8) % 9 == 0 ? table[(next() >> 8) % table.size()] : static_cast<char>('a' + k % 26);
        bool escape = piece % 5 != 0;
        c.write(text, escape);
        std::size_t length = text.size();
        while (length > 1 && text[length - 1] == ' ') --length;
        for (std::size_t k = 0; k < length; ++k) {
            unsigned char ch = static_cast<unsigned char>(text[k]);
            if (escape && table.find(static_cast<char>(ch)) != std::string::npos) {
                expected += '\\';
                expected += static_cast<char>('0' + (ch >> 6));
                expected += static_cast<char>('0' + ((ch >> 3) & 7));
                expected += static_cast<char>('0' + (ch & 7));
            } else {
                expected += static_cast<char>(ch);
            }
        }
    }
    ASSERT_EQ(c.all(), expected);
    for (std::size_t i = 0; i < c.blocks.size(); ++i) {
        ASSERT_EQ(c.blocks[i], expected.substr(i * 1023, 1023)) << "block " << i;
        EXPECT_TRUE(c.terminated[i]);
    }
    EXPECT_EQ(static_cast<std::size_t>(c.out.fill()), expected.size() - c.blocks.size() * 1023);
    EXPECT_GT(c.out.fill(), 0);
}
