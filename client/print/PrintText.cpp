#include "print/PrintText.h"

#include <string>

using namespace FX;

namespace printtext {

namespace {

// Length of the UTF-8 sequence starting at text[i] and its code point, or 0
// when the bytes there are no valid sequence (overlong forms and surrogates
// included).
FXuint sequence(const FXuchar* s, FXuint length, FXuint i, FXuint& code) {
    FXuchar c = s[i];
    FXuint n;
    if (c < 0x80) {
        code = c;
        return 1;
    } else if ((c & 0xE0) == 0xC0) {
        n = 2;
        code = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3;
        code = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4;
        code = c & 0x07;
    } else {
        return 0;
    }
    if (i + n > length) return 0;
    for (FXuint k = 1; k < n; k++) {
        if ((s[i + k] & 0xC0) != 0x80) return 0;
        code = (code << 6) | (s[i + k] & 0x3F);
    }
    static const FXuint least[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[n] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return n;
}

}  // namespace

FXbool isUtf8(const FXchar* text, FXuint length) {
    const FXuchar* s = (const FXuchar*)text;
    bool beyond = false;
    for (FXuint i = 0; i < length;) {
        if (s[i] < 0x80) {
            i++;
            continue;
        }
        FXuint code;
        FXuint n = sequence(s, length, i, code);
        if (!n) return false;
        beyond = beyond || n > 1;
        i += n;
    }
    return beyond;
}

FXString toLatin1(const FXchar* text, FXuint length) {
    if (!isUtf8(text, length)) return FXString(text, length);
    const FXuchar* s = (const FXuchar*)text;
    FXString out;
    for (FXuint i = 0; i < length;) {
        FXuint code;
        FXuint n = sequence(s, length, i, code);
        i += n;
        switch (code) {
            case 0x2018:
            case 0x2019:
                out += '\'';
                break;
            case 0x201C:
            case 0x201D:
                out += '"';
                break;
            case 0x2013:
            case 0x2014:
                out += '-';
                break;
            case 0x2026:
                out += "...";
                break;
            default:
                out += code <= 0xFF ? (FXchar)code : '?';
                break;
        }
    }
    return out;
}

std::vector<FXwchar> characters(const FXchar* text, FXuint length) {
    // Code page 1252 in 0x80..0x9F; 0 where it has no character (the byte
    // stays as its C1 control).
    static const FXwchar cp1252[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                       0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    std::vector<FXwchar> out;
    out.reserve(length);
    const FXuchar* s = (const FXuchar*)text;
    if (isUtf8(text, length)) {
        for (FXuint i = 0; i < length;) {
            FXuint code;
            i += sequence(s, length, i, code);
            out.push_back((FXwchar)code);
        }
    } else {
        for (FXuint i = 0; i < length; i++) {
            FXuchar c = s[i];
            out.push_back(c >= 0x80 && c < 0xA0 && cp1252[c - 0x80] ? cp1252[c - 0x80] : (FXwchar)c);
        }
    }
    return out;
}

void appendUtf8(FXString& out, FXwchar code) {
    char b[4];
    FXint n;
    if (code < 0x80) {
        b[0] = (char)code;
        n = 1;
    } else if (code < 0x800) {
        b[0] = (char)(0xC0 | (code >> 6));
        b[1] = (char)(0x80 | (code & 0x3F));
        n = 2;
    } else if (code < 0x10000) {
        b[0] = (char)(0xE0 | (code >> 12));
        b[1] = (char)(0x80 | ((code >> 6) & 0x3F));
        b[2] = (char)(0x80 | (code & 0x3F));
        n = 3;
    } else {
        b[0] = (char)(0xF0 | (code >> 18));
        b[1] = (char)(0x80 | ((code >> 12) & 0x3F));
        b[2] = (char)(0x80 | ((code >> 6) & 0x3F));
        b[3] = (char)(0x80 | (code & 0x3F));
        n = 4;
    }
    out.append(b, n);
}

FXString toUtf8(const FXString& text) {
    const FXuchar* s = (const FXuchar*)text.text();
    const FXint n = text.length();
    FXint high = 0;
    for (FXint i = 0; i < n; i++) high += s[i] >= 0x80;
    if (!high || isUtf8(text.text(), (FXuint)n)) return text;
    std::string out;
    out.reserve((size_t)(n + high));
    for (FXint i = 0; i < n; i++) {
        if (s[i] < 0x80) {
            out += (char)s[i];
        } else {
            out += (char)(0xC0 | (s[i] >> 6));
            out += (char)(0x80 | (s[i] & 0x3F));
        }
    }
    return FXString(out.data(), (FXint)out.size());
}

}  // namespace printtext
