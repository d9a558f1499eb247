// Base64 (attachments, transfer files, the export) and the cleaning of names
// that become file names.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "data/Base64.h"
#include "data/Files.h"

using namespace FX;

namespace {

std::string str(const FXString& s) { return std::string(s.text(), (size_t)s.length()); }
std::string enc(const std::string& s) { return str(base64::encode(s.data(), s.size())); }
std::string dec(const std::string& s) { return str(base64::decode(s.data(), s.size())); }

TEST(Base64, EncodesWithPaddingKept) {
    EXPECT_EQ("YWJj", enc("abc"));
    EXPECT_EQ("YWI=", enc("ab"));
    EXPECT_EQ("YQ==", enc("a"));
    EXPECT_EQ("", enc(""));
    // RFC 4648's test vectors.
    EXPECT_EQ("Zm9vYmFy", enc("foobar"));
    EXPECT_EQ("Zm9vYg==", enc("foob"));
    // Every byte value, and the two characters beyond letters and digits.
    EXPECT_EQ("+/8=", enc("\xfb\xff"));
}

TEST(Base64, LengthsOfTheStoredText) {
    // 747 bytes are 996 characters (one chunk of 999); 750 bytes are 1000.
    EXPECT_EQ(996u, base64::encodedLength(747));
    EXPECT_EQ(1000u, base64::encodedLength(750));
    EXPECT_EQ(996u, (size_t)base64::encode(std::string(747, 'x').data(), 747).length());
    EXPECT_EQ(1000u, (size_t)base64::encode(std::string(750, 'x').data(), 750).length());
}

TEST(Base64, RoundTripOfEveryByteAndEveryTailLength) {
    std::mt19937 random(7);
    for (size_t size = 0; size < 70; ++size) {
        std::string bytes(size, '\0');
        for (char& c : bytes) c = (char)(random() & 0xFF);
        ASSERT_EQ(bytes, dec(enc(bytes))) << size;
    }
    std::string all;
    for (int i = 0; i < 256; ++i) all += (char)i;
    EXPECT_EQ(all, dec(enc(all)));
}

TEST(Base64, DecoderStopsAtTheFirstPaddingOrForeignCharacter) {
    EXPECT_EQ("abc", dec("YWJj"));
    EXPECT_EQ("ab", dec("YWI="));
    // What follows "=" is not read, even more base64.
    EXPECT_EQ("ab", dec("YWI=YWJj"));
    // A line break, a space or a quote ends the text as "=" does.
    EXPECT_EQ("abc", dec("YWJj\nYWJj"));
    EXPECT_EQ("abc", dec("YWJj YWJj"));
    EXPECT_EQ("abc", dec("YWJj'"));
    EXPECT_EQ("", dec("*YWJj"));
    // A tail without padding gives the whole bytes it holds; one character holds none.
    EXPECT_EQ("ab", dec("YWI"));
    EXPECT_EQ("a", dec("YW"));
    EXPECT_EQ("abc", dec("YWJjY"));
}

TEST(Base64, ChunksJoinedBackAndAMissingChunkGivesAShorterFile) {
    std::string bytes;
    for (int i = 0; i < 3000; ++i) bytes += (char)(i * 7);
    std::string text = enc(bytes);
    std::string joined;
    for (size_t at = 0; at < text.size(); at += 999) joined += text.substr(at, 999);
    EXPECT_EQ(bytes, dec(joined));
    // Without the last chunk: the first 2997 characters give 2247 bytes, the
    // start of the file.
    std::string shorter = dec(text.substr(0, 2997));
    EXPECT_EQ(bytes.substr(0, shorter.size()), shorter);
    EXPECT_EQ(2247u, shorter.size());
}

TEST(Base64, StrictCheckForTextThatMustBeWhole) {
    EXPECT_TRUE(base64::isBase64(""));
    EXPECT_TRUE(base64::isBase64("YWJj"));
    EXPECT_TRUE(base64::isBase64("YWI="));
    EXPECT_TRUE(base64::isBase64("YQ=="));
    EXPECT_FALSE(base64::isBase64("YQ"));        // cut short
    EXPECT_FALSE(base64::isBase64("Y==="));      // three pads
    EXPECT_FALSE(base64::isBase64("YQ==YWJj"));  // padding inside
    EXPECT_FALSE(base64::isBase64("YW J"));
    EXPECT_FALSE(base64::isBase64("YWJ'"));
}

TEST(FileNames, TheNineCharactersBecomeSpaces) {
    EXPECT_EQ("a b c d e f g h i j", str(CleanFileName("a<b>c:d\\e/f|g?h*i\"j")));
    EXPECT_EQ("Fractions 1 2", str(CleanFileName("Fractions 1/2")));
    EXPECT_EQ(".. .. etc passwd", str(CleanFileName("../../etc/passwd")));
}

TEST(FileNames, SafeNamesStayAsTheyAre) {
    for (const char* name : {"Fractions", "Tom's unit, week 2", "Ecole été", "..", ". The Unit Plan Description",
                             "a.b-c_d (e) [f] {g} #1 & +"})
        EXPECT_EQ(name, str(CleanFileName(name)));
}

TEST(FileNames, LastPathComponentOfEitherSeparator) {
    EXPECT_EQ("a.doc", str(LastPathComponent("C:\\Users\\tia\\a.doc")));
    EXPECT_EQ("b.png", str(LastPathComponent("/home/tia/b.png")));
    EXPECT_EQ("c.txt", str(LastPathComponent("c.txt")));
    EXPECT_EQ("", str(LastPathComponent("/home/tia/")));
}

}  // namespace
