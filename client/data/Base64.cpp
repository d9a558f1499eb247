#include "data/Base64.h"

using namespace FX;

namespace base64 {

namespace {

const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The six-bit value of each byte, or -1 outside the alphabet ("=" too).
struct Values {
    signed char of[256];
    Values() {
        for (int i = 0; i < 256; ++i) of[i] = -1;
        for (int i = 0; i < 64; ++i) of[(unsigned char)alphabet[i]] = (signed char)i;
    }
};
const Values values;

}  // namespace

FXString encode(const void* data, size_t size) {
    const unsigned char* in = static_cast<const unsigned char*>(data);
    FXString out;
    if (size == 0) return out;
    out.length((FXint)encodedLength(size));
    char* o = &out[0];
    size_t i = 0;
    for (; i + 3 <= size; i += 3) {
        const unsigned v = (unsigned)in[i] << 16 | (unsigned)in[i + 1] << 8 | in[i + 2];
        *o++ = alphabet[v >> 18];
        *o++ = alphabet[(v >> 12) & 63];
        *o++ = alphabet[(v >> 6) & 63];
        *o++ = alphabet[v & 63];
    }
    if (i < size) {
        const bool two = i + 1 < size;
        const unsigned v = (unsigned)in[i] << 16 | (two ? (unsigned)in[i + 1] << 8 : 0u);
        *o++ = alphabet[v >> 18];
        *o++ = alphabet[(v >> 12) & 63];
        *o++ = two ? alphabet[(v >> 6) & 63] : '=';
        *o++ = '=';
    }
    return out;
}

FXString decode(const char* text, size_t length) {
    const unsigned char* in = reinterpret_cast<const unsigned char*>(text);
    size_t valid = 0;
    while (valid < length && values.of[in[valid]] >= 0) ++valid;
    FXString out;
    const size_t bytes = valid / 4 * 3 + (valid % 4 == 0 ? 0 : valid % 4 - 1);
    if (bytes == 0) return out;
    out.length((FXint)bytes);
    char* o = &out[0];
    size_t i = 0;
    for (; i + 4 <= valid; i += 4) {
        const unsigned v = (unsigned)values.of[in[i]] << 18 | (unsigned)values.of[in[i + 1]] << 12 |
                           (unsigned)values.of[in[i + 2]] << 6 | (unsigned)values.of[in[i + 3]];
        *o++ = (char)(v >> 16);
        *o++ = (char)(v >> 8);
        *o++ = (char)v;
    }
    const size_t rest = valid - i;  // 0, 1, 2 or 3 characters; one alone holds no whole byte
    if (rest >= 2) {
        unsigned v = (unsigned)values.of[in[i]] << 18 | (unsigned)values.of[in[i + 1]] << 12;
        if (rest == 3) v |= (unsigned)values.of[in[i + 2]] << 6;
        *o++ = (char)(v >> 16);
        if (rest == 3) *o++ = (char)(v >> 8);
    }
    return out;
}

bool isBase64(const char* text, size_t length) {
    if (length % 4 != 0) return false;
    const unsigned char* in = reinterpret_cast<const unsigned char*>(text);
    size_t end = length;
    if (end > 0 && in[end - 1] == '=') --end;
    if (end > 0 && in[end - 1] == '=' && end + 1 == length) --end;
    for (size_t i = 0; i < end; ++i)
        if (values.of[in[i]] < 0) return false;
    return true;
}

}  // namespace base64
