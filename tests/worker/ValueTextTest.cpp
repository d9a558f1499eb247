// Value text of every column type, the descriptors and the row layout.
#include "OutputBuffer.h"
#include "ValueText.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <ctime>
#include <string>

using namespace vantry;

namespace {

// One column with its own data and indicator.
struct Column {
    XSQLVAR var;
    alignas(8) char data[512];
    ISC_SHORT indicator = 0;

    Column(int type, int length, int scale = 0, bool nullable = false) {
        std::memset(&var, 0, sizeof var);
        std::memset(data, 0, sizeof data);
        var.sqltype = static_cast<ISC_SHORT>(type | (nullable ? 1 : 0));
        var.sqllen = static_cast<ISC_SHORT>(length);
        var.sqlscale = static_cast<ISC_SHORT>(scale);
        var.sqldata = data;
        var.sqlind = &indicator;
    }
    template <typename T>
    Column& set(T value) {
        std::memcpy(data, &value, sizeof value);
        return *this;
    }
    Column& text(const std::string& s) {
        std::memcpy(data, s.data(), s.size());
        return *this;
    }
    Column& varying(const std::string& s) {
        ISC_SHORT n = static_cast<ISC_SHORT>(s.size());
        std::memcpy(data, &n, sizeof n);
        std::memcpy(data + 2, s.data(), s.size());
        return *this;
    }
    std::string written() const {
        std::string all;
        OutputBuffer out([&all](const char* d, int n) { all.append(d, static_cast<std::size_t>(n)); });
        writeValue(out, var);
        return all + std::string(out.data(), static_cast<std::size_t>(out.fill()));
    }
};

std::string scaled(int64_t v, int width, int scale) {
    char buf[128];
    std::size_t n = formatInteger(v, width, scale, buf, sizeof buf);
    EXPECT_EQ(n, std::strlen(buf));
    return buf;
}

struct tm moment(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    struct tm t;
    std::memset(&t, 0, sizeof t);
    t.tm_year = y - 1900;
    t.tm_mon = mo - 1;
    t.tm_mday = d;
    t.tm_hour = h;
    t.tm_min = mi;
    t.tm_sec = s;
    return t;
}

}  // namespace

TEST(ValueTextTest, CharAndVarcharAreQuotedTrimmedAndEscaped) {
    EXPECT_EQ(Column(SQL_TEXT, 5).text("ab   ").written(), "'ab'");
    EXPECT_EQ(Column(SQL_TEXT, 5).text("     ").written(), "' '");
    EXPECT_EQ(Column(SQL_TEXT, 5).text("  x  ").written(), "'  x'");
    EXPECT_EQ(Column(SQL_VARYING, 80).varying("ab  ").written(), "'ab'");
    EXPECT_EQ(Column(SQL_VARYING, 80).varying("").written(), "''");
    EXPECT_EQ(Column(SQL_VARYING, 80).varying("a,b").written(), "'a\\054b'");
    EXPECT_EQ(Column(SQL_VARYING, 80).varying("it's").written(), "'it\\047s'");
    EXPECT_EQ(Column(SQL_VARYING, 80).varying("f(x)").written(), "'f\\050x\\051'");
    EXPECT_EQ(Column(SQL_VARYING, 80).varying("C:\\dir\\101").written(), "'C:\\dir\\101'");
    EXPECT_EQ(Column(SQL_VARYING, 80).varying(std::string("a\0b\nc", 5)).written(), "'a\\000b\\012c'");
    EXPECT_EQ(Column(SQL_VARYING, 80).varying("[{\"x\"}]\r").written(), "'\\133\\173\\042x\\042\\175\\135\\015'");
}

TEST(ValueTextTest, DamagedVarcharLengthStaysInsideTheColumn) {
    Column c(SQL_VARYING, 4);
    c.varying("abcdefgh");  // length word 8 in a 4-byte column
    EXPECT_EQ(c.written(), "'abcd'");
    ISC_SHORT negative = -3;
    std::memcpy(c.data, &negative, sizeof negative);
    EXPECT_EQ(c.written(), "''");
}

TEST(ValueTextTest, NullIsNoneOnlyForNullableColumns) {
    Column nullable(SQL_LONG, 4, 0, true);
    nullable.indicator = -1;
    EXPECT_EQ(nullable.written(), "None");
    Column text(SQL_VARYING, 10, 0, true);
    text.indicator = -1;
    EXPECT_EQ(text.written(), "None");

    Column notNullable(SQL_LONG, 4);
    notNullable.set<ISC_LONG>(7).indicator = -1;
    EXPECT_EQ(notNullable.written(), "          7");
    Column present(SQL_LONG, 4, 0, true);
    present.set<ISC_LONG>(7);
    EXPECT_EQ(present.written(), "          7");
}

TEST(ValueTextTest, IntegersUseTheirFieldWidths) {
    EXPECT_EQ(Column(SQL_LONG, 4).set<ISC_LONG>(5).written(), std::string(10, ' ') + "5");
    EXPECT_EQ(Column(SQL_SHORT, 2).set<ISC_SHORT>(-32768).written(), "-32768");
    EXPECT_EQ(Column(SQL_SHORT, 2).set<ISC_SHORT>(12).written(), "    12");
    EXPECT_EQ(Column(SQL_LONG, 4).set<ISC_LONG>(INT_MIN).written(), "-2147483648");
    EXPECT_EQ(Column(SQL_INT64, 8).set<ISC_INT64>(42).written(), std::string(19, ' ') + "42");
    EXPECT_EQ(Column(SQL_INT64, 8).set<ISC_INT64>(LLONG_MIN).written(), " -9223372036854775808");
}

TEST(ValueTextTest, ScaledIntegersKeepTheWidth) {
    // NUMERIC(9,2) is held in an INTEGER: width 11.
    EXPECT_EQ(scaled(-5, 11, -2), "      -0.05");
    EXPECT_EQ(scaled(-1234, 11, -2), "     -12.34");
    EXPECT_EQ(scaled(1234, 11, -2), "      12.34");
    EXPECT_EQ(scaled(5, 11, -2), "       0.05");
    EXPECT_EQ(scaled(0, 11, -2), "       0.00");
    EXPECT_EQ(scaled(-100, 11, -2), "      -1.00");
    EXPECT_EQ(scaled(-99, 11, -2), "      -0.99");
    EXPECT_EQ(scaled(123456789, 11, -2), " 1234567.89");
    EXPECT_EQ(scaled(-2147483647, 11, -2), "-21474836.47");  // wider than 11: all digits stay
    // NUMERIC(4,1) in a SMALLINT, NUMERIC(18,4) and (18,18) in a BIGINT.
    EXPECT_EQ(scaled(-7, 6, -1), "  -0.7");
    EXPECT_EQ(scaled(32767, 6, -1), "3276.7");
    EXPECT_EQ(scaled(-123456789, 21, -4), "          -12345.6789");
    EXPECT_EQ(scaled(LLONG_MIN, 21, -18), "-9.223372036854775808");
    EXPECT_EQ(scaled(-1, 21, -18), "-0.000000000000000001");
    // A positive scale appends zeros.
    EXPECT_EQ(scaled(12, 11, 2), "         1200");
    EXPECT_EQ(scaled(-3, 6, 1), "    -30");

    Column money(SQL_LONG, 4, -2);
    money.set<ISC_LONG>(-5);
    EXPECT_EQ(money.written(), "      -0.05");
    Column big(SQL_INT64, 8, -3);
    big.set<ISC_INT64>(1500);
    EXPECT_EQ(big.written(), "                1.500");
}

TEST(ValueTextTest, FloatingPointFormats) {
    EXPECT_EQ(Column(SQL_FLOAT, 4).set<float>(1.5f).written(), std::string(12, ' ') + "1.5");
    EXPECT_EQ(Column(SQL_FLOAT, 4).set<float>(-2.5e10f).written(), "       -2.5e+10");
    EXPECT_EQ(Column(SQL_DOUBLE, 8).set<double>(3.25).written(), std::string(16, ' ') + "3.250000");
    EXPECT_EQ(Column(SQL_DOUBLE, 8).set<double>(-0.5).written(), std::string(15, ' ') + "-0.500000");
    // The largest double does not fit 24 characters: all of it is written.
    std::string huge = Column(SQL_DOUBLE, 8).set<double>(1.7976931348623157e308).written();
    EXPECT_EQ(huge.size(), 316u);
    EXPECT_EQ(huge.substr(huge.size() - 7), ".000000");
}

TEST(ValueTextTest, DatesAndTimesAreQuotedAndFullWidth) {
    struct tm t = moment(2014, 6, 30);
    ISC_DATE date;
    isc_encode_sql_date(&t, &date);
    EXPECT_EQ(Column(SQL_TYPE_DATE, 4).set(date).written(), "'2014-06-30'");

    t = moment(2014, 6, 30, 8, 5, 0);
    ISC_TIMESTAMP ts;
    isc_encode_timestamp(&t, &ts);
    EXPECT_EQ(Column(SQL_TIMESTAMP, 8).set(ts).written(), "'2014-06-30 08:05:00.0000'");
    ts.timestamp_time += 1234;  // 0.1234 seconds
    EXPECT_EQ(Column(SQL_TIMESTAMP, 8).set(ts).written(), "'2014-06-30 08:05:00.1234'");

    t = moment(1970, 1, 1, 23, 59, 58);
    ISC_TIME time;
    isc_encode_sql_time(&t, &time);
    time += 9999;
    EXPECT_EQ(Column(SQL_TYPE_TIME, 4).set(time).written(), "'23:59:58.9999'");

    t = moment(1, 1, 1);
    isc_encode_sql_date(&t, &date);
    EXPECT_EQ(Column(SQL_TYPE_DATE, 4).set(date).written(), "'0001-01-01'");
}

TEST(ValueTextTest, BlobAndArrayIdsAreUnquotedHalves) {
    ISC_QUAD id;
    id.gds_quad_high = 129;
    id.gds_quad_low = 3;
    EXPECT_EQ(Column(SQL_BLOB, 8).set(id).written(), "00000129:00000003");
    EXPECT_EQ(Column(SQL_ARRAY, 8).set(id).written(), "00000129:00000003");
    id.gds_quad_high = 0;
    id.gds_quad_low = 0xFFFFFFFFu;  // signed: -1
    EXPECT_EQ(Column(SQL_BLOB, 8).set(id).written(), "00000000:-0000001");
    id.gds_quad_high = 2147483647;
    id.gds_quad_low = 0x80000000u;
    EXPECT_EQ(Column(SQL_BLOB, 8).set(id).written(), "2147483647:-2147483648");
}

TEST(ValueTextTest, TypesOutsideTheTable) {
    EXPECT_STREQ(typeLetter(SQL_BOOLEAN), "?");
    EXPECT_STREQ(typeLetter(SQL_NULL | 1), "?");
    EXPECT_EQ(Column(SQL_BOOLEAN, 1).set<char>(1).written(), "True");
    EXPECT_EQ(Column(SQL_BOOLEAN, 1).set<char>(0).written(), "False");
    EXPECT_EQ(Column(SQL_QUAD, 8).written(), "");
}

TEST(ValueTextTest, TypeLetters) {
    const struct {
        int type;
        const char* letter;
    } table[] = {
        {SQL_TEXT, "s"},  {SQL_VARYING, "s"}, {SQL_SHORT, "i"},     {SQL_LONG, "i"},      {SQL_INT64, "i"},
        {SQL_FLOAT, "n"}, {SQL_DOUBLE, "n"},  {SQL_TIMESTAMP, "d"}, {SQL_TYPE_DATE, "d"}, {SQL_TYPE_TIME, "d"},
        {SQL_BLOB, "s"},  {SQL_ARRAY, "s"},   {SQL_D_FLOAT, "?"},
    };
    for (const auto& entry : table) {
        EXPECT_STREQ(typeLetter(entry.type), entry.letter) << entry.type;
        EXPECT_STREQ(typeLetter(entry.type | 1), entry.letter) << entry.type;
    }
}

TEST(ValueTextTest, DescriptorsOfTwoColumns) {
    alignas(8) char storage[XSQLDA_LENGTH(2)];
    std::memset(storage, 0, sizeof storage);
    auto* area = reinterpret_cast<XSQLDA*>(storage);
    area->version = SQLDA_VERSION1;
    area->sqln = area->sqld = 2;
    area->sqlvar[0].sqltype = SQL_LONG;
    area->sqlvar[0].sqllen = 4;
    std::strcpy(area->sqlvar[0].aliasname, "ID");
    area->sqlvar[0].aliasname_length = 2;
    area->sqlvar[1].sqltype = SQL_VARYING | 1;
    area->sqlvar[1].sqllen = 80;
    std::strcpy(area->sqlvar[1].aliasname, "TITLE");
    area->sqlvar[1].aliasname_length = 5;

    std::string all;
    OutputBuffer out([&all](const char* d, int n) { all.append(d, static_cast<std::size_t>(n)); });
    writeDescriptors(out, area);
    all += out.data();
    EXPECT_EQ(all,
              "{'name':'ID','type':'i','null':0,'width':4},"
              "{'name':'TITLE','type':'s','null':1,'width':80}");
}

TEST(ValueTextTest, RowLayoutUsesEvenOffsetsAndRefusesOversizedRows) {
    alignas(8) char storage[XSQLDA_LENGTH(3)];
    std::memset(storage, 0, sizeof storage);
    auto* area = reinterpret_cast<XSQLDA*>(storage);
    area->sqln = area->sqld = 3;
    area->sqlvar[0].sqltype = SQL_TEXT | 1;
    area->sqlvar[0].sqllen = 3;
    area->sqlvar[1].sqltype = SQL_VARYING;
    area->sqlvar[1].sqllen = 7;
    area->sqlvar[2].sqltype = SQL_INT64 | 1;
    area->sqlvar[2].sqllen = 8;

    static char row[kRowBufferSize];
    // CHAR(3) at 0, indicator at 4; VARCHAR(7) at 8 taking 12, indicator at
    // 20; BIGINT at 24, indicator at 32; 36 bytes in all.
    EXPECT_EQ(layoutRow(area, row, sizeof row), 36u);
    EXPECT_EQ(area->sqlvar[0].sqldata - row, 0);
    EXPECT_EQ(reinterpret_cast<char*>(area->sqlvar[0].sqlind) - row, 4);
    EXPECT_EQ(area->sqlvar[1].sqldata - row, 8);
    EXPECT_EQ(reinterpret_cast<char*>(area->sqlvar[1].sqlind) - row, 20);
    EXPECT_EQ(area->sqlvar[2].sqldata - row, 24);
    EXPECT_EQ(reinterpret_cast<char*>(area->sqlvar[2].sqlind) - row, 32);

    EXPECT_EQ(layoutRow(area, row, 36), 36u);
    EXPECT_EQ(layoutRow(area, row, 35), 0u);
    EXPECT_EQ(layoutRow(area, row, 33), 0u);

    area->sqlvar[1].sqllen = 32765;
    area->sqld = 2;
    EXPECT_GT(layoutRow(area, row, kRowBufferSize), 0u);
    // Five VARCHAR(32765) columns need 163 870 bytes and more.
    alignas(8) char wide[XSQLDA_LENGTH(5)];
    std::memset(wide, 0, sizeof wide);
    auto* five = reinterpret_cast<XSQLDA*>(wide);
    five->sqln = five->sqld = 5;
    for (int i = 0; i < 5; ++i) {
        five->sqlvar[i].sqltype = SQL_VARYING;
        five->sqlvar[i].sqllen = 32765;
    }
    EXPECT_EQ(layoutRow(five, row, kRowBufferSize), 0u);
    five->sqld = 4;
    EXPECT_GT(layoutRow(five, row, kRowBufferSize), 0u);
}
