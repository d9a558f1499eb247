#include "ValueText.h"

#include "OutputBuffer.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace vantry {

namespace {

std::size_t evenUp(std::size_t offset) { return (offset + 1) & ~static_cast<std::size_t>(1); }

// snprintf that reports the bytes actually in `out`.
template <typename... Args>
std::size_t print(char* out, std::size_t capacity, const char* format, Args... args) {
    int n = std::snprintf(out, capacity, format, args...);
    if (n < 0) {
        out[0] = '\0';
        return 0;
    }
    return static_cast<std::size_t>(n) < capacity ? static_cast<std::size_t>(n) : capacity - 1;
}

template <typename T>
T readAs(const char* data) {
    T value;
    std::memcpy(&value, data, sizeof value);
    return value;
}

void writeQuoted(OutputBuffer& out, const char* text, std::size_t length) {
    out.write("'", 1, false);
    out.write(text, length, true);
    out.write("'", 1, false);
}

}  // namespace

const char* typeLetter(int sqltype) {
    switch (sqltype & ~1) {
        case SQL_TEXT:
        case SQL_VARYING:
        case SQL_BLOB:
        case SQL_ARRAY:
            return "s";
        case SQL_SHORT:
        case SQL_LONG:
        case SQL_INT64:
            return "i";
        case SQL_FLOAT:
        case SQL_DOUBLE:
            return "n";
        case SQL_TIMESTAMP:
        case SQL_TYPE_DATE:
        case SQL_TYPE_TIME:
            return "d";
        default:
            return "?";
    }
}

std::size_t layoutRow(XSQLDA* area, char* buffer, std::size_t size) {
    std::size_t offset = 0;
    for (int i = 0; i < area->sqld; ++i) {
        XSQLVAR& var = area->sqlvar[i];
        std::size_t length = var.sqllen > 0 ? static_cast<std::size_t>(var.sqllen) : 0;
        if ((var.sqltype & ~1) == SQL_VARYING) length += 5;

        offset = evenUp(offset);
        if (offset + length > size) return 0;
        var.sqldata = buffer + offset;
        offset += length;

        offset = evenUp(offset);
        if (offset + 4 > size) return 0;
        var.sqlind = reinterpret_cast<ISC_SHORT*>(buffer + offset);
        offset += 4;
    }
    return offset;
}

void writeDescriptors(OutputBuffer& out, const XSQLDA* area) {
    char piece[128];
    for (int i = 0; i < area->sqld; ++i) {
        const XSQLVAR& var = area->sqlvar[i];
        int nameLength = var.aliasname_length;
        if (nameLength < 0) nameLength = 0;
        if (nameLength > static_cast<int>(sizeof var.aliasname)) nameLength = sizeof var.aliasname;

        if (i > 0) out.write(",");
        out.write("{");
        print(piece, sizeof piece, "'name':'%.*s',", nameLength, var.aliasname);
        out.write(piece);
        print(piece, sizeof piece, "'type':'%s',", typeLetter(var.sqltype));
        out.write(piece);
        print(piece, sizeof piece, "'null':%d,", (var.sqltype & 1) ? 1 : 0);
        out.write(piece);
        print(piece, sizeof piece, "'width':%ld}", static_cast<long>(var.sqllen));
        out.write(piece);
    }
}

// Scale s < 0 divides by t = 10^-s: the quotient right-aligned in
// width + s - 1 characters, ".", the remainder zero-padded to -s digits, so
// that the text keeps the column's width.  A negative value between -1 and 0
// keeps its sign as "-0".  Scale s > 0 appends s zeros.
std::size_t formatInteger(int64_t value, int width, int scale, char* out, std::size_t capacity) {
    if (scale == 0) return print(out, capacity, "%*" PRId64, width, value);

    if (scale > 0) {
        std::size_t n = print(out, capacity, "%*" PRId64, width, value);
        while (scale-- > 0 && n + 1 < capacity) out[n++] = '0';
        out[n] = '\0';
        return n;
    }

    int digits = -scale;
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    uint64_t quotient = 0;
    uint64_t remainder = magnitude;
    if (digits <= 19) {
        uint64_t divisor = 1;
        for (int i = 0; i < digits; ++i) divisor *= 10;
        quotient = magnitude / divisor;
        remainder = magnitude % divisor;
    }

    char whole[32];
    print(whole, sizeof whole, value < 0 ? "-%" PRIu64 : "%" PRIu64, quotient);
    return print(out, capacity, "%*s.%0*" PRIu64, width + scale - 1, whole, digits, remainder);
}

std::size_t formatTimestamp(const ISC_TIMESTAMP& ts, char* out, std::size_t capacity) {
    struct tm t;
    std::memset(&t, 0, sizeof t);
    isc_decode_timestamp(&ts, &t);
    char text[64];
    print(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%04ld", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
          t.tm_hour, t.tm_min, t.tm_sec, static_cast<long>(ts.timestamp_time % 10000));
    return print(out, capacity, "%24s", text);
}

std::size_t formatDate(ISC_DATE date, char* out, std::size_t capacity) {
    struct tm t;
    std::memset(&t, 0, sizeof t);
    isc_decode_sql_date(&date, &t);
    char text[64];
    print(text, sizeof text, "%04d-%02d-%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
    return print(out, capacity, "%10s", text);
}

std::size_t formatTime(ISC_TIME time, char* out, std::size_t capacity) {
    struct tm t;
    std::memset(&t, 0, sizeof t);
    isc_decode_sql_time(&time, &t);
    char text[64];
    print(text, sizeof text, "%02d:%02d:%02d.%04ld", t.tm_hour, t.tm_min, t.tm_sec, static_cast<long>(time % 10000));
    return print(out, capacity, "%13s", text);
}

std::size_t formatQuad(const ISC_QUAD& id, char* out, std::size_t capacity) {
    char text[64];
    print(text, sizeof text, "%08ld:%08ld", static_cast<long>(static_cast<int32_t>(id.gds_quad_high)),
          static_cast<long>(static_cast<int32_t>(id.gds_quad_low)));
    return print(out, capacity, "%17s", text);
}

void writeValue(OutputBuffer& out, const XSQLVAR& var) {
    if ((var.sqltype & 1) && var.sqlind && *var.sqlind < 0) {
        out.write("None", 4, true);
        return;
    }

    const char* data = var.sqldata;
    // Wide enough for "%24f" of the largest double.
    char text[400];
    std::size_t n = 0;

    switch (var.sqltype & ~1) {
        case SQL_TEXT:
            writeQuoted(out, data, var.sqllen > 0 ? static_cast<std::size_t>(var.sqllen) : 0);
            return;
        case SQL_VARYING: {
            int length = readAs<ISC_SHORT>(data);
            if (length < 0) length = 0;
            if (length > var.sqllen) length = var.sqllen;
            writeQuoted(out, data + sizeof(ISC_SHORT), static_cast<std::size_t>(length));
            return;
        }
        case SQL_SHORT:
            n = formatInteger(readAs<ISC_SHORT>(data), kSmallintWidth, var.sqlscale, text, sizeof text);
            break;
        case SQL_LONG:
            n = formatInteger(readAs<ISC_LONG>(data), kIntegerWidth, var.sqlscale, text, sizeof text);
            break;
        case SQL_INT64:
            n = formatInteger(readAs<ISC_INT64>(data), kBigintWidth, var.sqlscale, text, sizeof text);
            break;
        case SQL_FLOAT:
            n = print(text, sizeof text, "%15g ", static_cast<double>(readAs<float>(data)));
            break;
        case SQL_DOUBLE:
            n = print(text, sizeof text, "%24f ", readAs<double>(data));
            break;
        case SQL_TIMESTAMP:
            n = formatTimestamp(readAs<ISC_TIMESTAMP>(data), text, sizeof text);
            writeQuoted(out, text, n);
            return;
        case SQL_TYPE_DATE:
            n = formatDate(readAs<ISC_DATE>(data), text, sizeof text);
            writeQuoted(out, text, n);
            return;
        case SQL_TYPE_TIME:
            n = formatTime(readAs<ISC_TIME>(data), text, sizeof text);
            writeQuoted(out, text, n);
            return;
        case SQL_BLOB:
        case SQL_ARRAY:
            n = formatQuad(readAs<ISC_QUAD>(data), text, sizeof text);
            break;
        case SQL_BOOLEAN:
            // Outside the type table ("?"); written as a Python literal.
            n = print(text, sizeof text, "%s", data[0] ? "True" : "False");
            break;
        default:
            // Other types have no value text: the field stays empty.
            return;
    }
    out.write(text, n, true);
}

}  // namespace vantry
